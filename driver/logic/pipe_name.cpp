#include "driver/logic/pipe_name.h"

namespace zelb1 {

uint32_t packPipeCode(uint32_t configuration, uint32_t interfaceIndex,
                      uint32_t alternateSetting, uint32_t pipeIndex) {
  return (configuration << 24) + ((interfaceIndex & 0xFF) << 16) +
         ((alternateSetting & 0xFF) << 8) + (pipeIndex & 0xFF);
}

uint32_t decimalValue(const char16_t* text, size_t length) {
  size_t pos = 0;
  while (pos < length && text[pos] <= u' ') ++pos;
  bool negative = false;
  if (pos < length && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  uint32_t value = 0;
  for (; pos < length && text[pos] >= u'0' && text[pos] <= u'9'; ++pos)
    value = value * 10u + static_cast<uint32_t>(text[pos] - u'0');
  return negative ? 0u - value : value;
}

Status parsePipeName(const char16_t* name, size_t length, uint32_t* code) {
  uint32_t values[4] = {0, 0, 0, 0};
  size_t pos = 0;
  for (int k = 0; k < 4; ++k) {
    if (pos >= length || name[pos] != u'\\') return kStatusNoSuchDevice;
    size_t start = ++pos;
    while (pos < length && name[pos] != u'\\') ++pos;
    values[k] = decimalValue(name + start, pos - start);
  }
  *code = packPipeCode(values[0], values[1], values[2], values[3]);
  return kStatusSuccess;
}

}  // namespace zelb1
