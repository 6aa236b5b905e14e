// libFuzzer target: the template reader on arbitrary file contents. A block
// it returns always holds a 40-byte header and the colour table it names.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "twain/global_memory.h"
#include "twain/transfer_bitmap.h"

using namespace twain;
using imaging::BitmapInfoHeader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  TW_HANDLE block = readBitmapHeader(file);
  std::fclose(file);
  if (!block) return 0;
  BitmapInfoHeader header;
  std::memcpy(&header, gmem::lock(block), sizeof header);
  gmem::unlock(block);
  if (header.size != 40 || header.colorsUsed > 256 || gmem::size(block) != 40 + header.colorsUsed * 4) std::abort();
  gmem::release(block);
  return 0;
}
