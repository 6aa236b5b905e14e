#include "driver/logic/pipe_name.h"

#include <gtest/gtest.h>

#include <string>

namespace zelb1 {
namespace {

Status parse(const std::u16string& name, uint32_t* code) {
  return parsePipeName(name.data(), name.size(), code);
}

uint32_t convert(const std::u16string& text) { return decimalValue(text.data(), text.size()); }

TEST(PipeName, UserModePipePathsNamePipesZeroToThree) {
  for (uint32_t pipe = 0; pipe < 4; ++pipe) {
    std::u16string name = u"\\0\\0\\0\\" + std::u16string(1, char16_t(u'0' + pipe));
    uint32_t code = 0xDEADBEEF;
    ASSERT_EQ(parse(name, &code), kStatusSuccess);
    EXPECT_EQ(code, pipe);
    EXPECT_EQ(pipeCodeInterface(code), 0u);
    EXPECT_EQ(pipeCodePipe(code), pipe);
  }
}

TEST(PipeName, PacksConfigurationInterfaceAlternateAndPipe) {
  uint32_t code = 0;
  ASSERT_EQ(parse(u"\\1\\2\\3\\4", &code), kStatusSuccess);
  EXPECT_EQ(code, 0x01020304u);
  EXPECT_EQ(pipeCodeInterface(code), 2u);
  EXPECT_EQ(pipeCodePipe(code), 4u);
}

TEST(PipeName, ConfigurationIsCarriedAlongButNamesNoOtherPipe) {
  uint32_t code = 0;
  ASSERT_EQ(parse(u"\\1\\0\\0\\0", &code), kStatusSuccess);
  EXPECT_EQ(code, 0x01000000u);
  EXPECT_EQ(pipeCodeInterface(code), 0u);
  EXPECT_EQ(pipeCodePipe(code), 0u);
}

TEST(PipeName, InterfaceAlternateAndPipeKeepTheirLowEightBits) {
  uint32_t code = 0;
  ASSERT_EQ(parse(u"\\0\\257\\511\\258", &code), kStatusSuccess);
  EXPECT_EQ(code, 0x0001FF02u);
  EXPECT_EQ(packPipeCode(0x1FF, 0, 0, 0), 0xFF000000u);  // configuration shifts out
}

TEST(PipeName, EveryComponentMustStartWithABackslash) {
  uint32_t code = 7;
  EXPECT_EQ(parse(u"0\\0\\0\\3", &code), kStatusNoSuchDevice);
  EXPECT_EQ(parse(u"\\0\\0\\3", &code), kStatusNoSuchDevice);
  EXPECT_EQ(parse(u"\\0", &code), kStatusNoSuchDevice);
  EXPECT_EQ(parse(u"/0/0/0/3", &code), kStatusNoSuchDevice);
  EXPECT_EQ(code, 7u) << "a refused name leaves the code alone";
}

TEST(PipeName, TextAfterTheFourthComponentIsIgnored) {
  uint32_t code = 0;
  ASSERT_EQ(parse(u"\\0\\0\\0\\3\\9", &code), kStatusSuccess);
  EXPECT_EQ(code, 3u);
}

TEST(PipeName, EmptyComponentsCountAsZero) {
  uint32_t code = 0xFF;
  ASSERT_EQ(parse(u"\\\\\\\\", &code), kStatusSuccess);
  EXPECT_EQ(code, 0u);
}

TEST(PipeName, ConversionFollowsTheSystemRulesForBaseTen) {
  EXPECT_EQ(convert(u"42"), 42u);
  EXPECT_EQ(convert(u"  \t12"), 12u);
  EXPECT_EQ(convert(u"+7"), 7u);
  EXPECT_EQ(convert(u"-1"), 0xFFFFFFFFu);
  EXPECT_EQ(convert(u"3abc"), 3u);
  EXPECT_EQ(convert(u"0x10"), 0u);
  EXPECT_EQ(convert(u""), 0u);
  EXPECT_EQ(convert(u"x"), 0u);
  EXPECT_EQ(convert(u"4294967297"), 1u) << "wraps at 32 bits";
}

TEST(PipeName, NegativePipeNumberBecomesPipe255) {
  uint32_t code = 0;
  ASSERT_EQ(parse(u"\\0\\0\\0\\-1", &code), kStatusSuccess);
  EXPECT_EQ(pipeCodePipe(code), 255u);
}

}  // namespace
}  // namespace zelb1
