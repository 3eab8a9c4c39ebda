#include "database/report_text.h"

#include <gtest/gtest.h>

namespace pressling {
namespace {

TEST(FormatRatioTest, OneDecimalNoLeadingZero) {
  EXPECT_EQ(FormatRatio(72.0), "72.0");
  EXPECT_EQ(FormatRatio(15432.0 / 20000 * 100), "77.2");
  EXPECT_EQ(FormatRatio(8000.0 / 12345 * 100), "64.8");
  EXPECT_EQ(FormatRatio(99.0), "99.0");
  EXPECT_EQ(FormatRatio(19802.0 / 20000 * 100), "99.0");
  EXPECT_EQ(FormatRatio(100.0), "100.0");
  EXPECT_EQ(FormatRatio(5), "5.0");
  EXPECT_EQ(FormatRatio(0.5), ".5");
  EXPECT_EQ(FormatRatio(0.04), ".0");
  EXPECT_EQ(FormatRatio(9.96), "10.0");
  EXPECT_EQ(FormatRatio(1234.5678), "1234.6");
}

std::array<std::uint8_t, 32> Name(std::initializer_list<std::uint8_t> bytes) {
  std::array<std::uint8_t, 32> name{};
  std::copy(bytes.begin(), bytes.end(), name.begin());
  return name;
}

TEST(DecodeAppNameTest, SixteenCharactersWithNulsCounted) {
  EXPECT_EQ(DecodeAppName(Name({'M', 'y', 'A', 'p', 'p'})), std::string("MyApp") + std::string(11, '\0'));
  EXPECT_EQ(DecodeAppName(Name({})), std::string(16, '\0'));
  auto longName = Name({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R'});
  EXPECT_EQ(DecodeAppName(longName), "ABCDEFGHIJKLMNOP");
}

TEST(DecodeAppNameTest, ShiftJisDecodedAndBadBytesReplaced) {
  // 0x83 0x51 is the katakana ゲ, 0x81 0x5B the long vowel mark ー, 0xB1 the half-width ｱ.
  EXPECT_EQ(DecodeAppName(Name({0x83, 0x51, 0x81, 0x5B, 0x83, 0x80, 0xB1})),
            std::string("ゲーム") + "ｱ" + std::string(12, '\0'));
  // 0xFF is no Shift-JIS byte.
  EXPECT_EQ(DecodeAppName(Name({'A', 0xFF, 'B'})), std::string("A\xEF\xBF\xBD") + "B" + std::string(13, '\0'));
  // Thirty-two two-byte characters are cut to the first sixteen.
  std::array<std::uint8_t, 32> wide;
  for (std::size_t i = 0; i < 32; i += 2) wide[i] = 0x82, wide[i + 1] = 0xA0;  // あ
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += "あ";
  EXPECT_EQ(DecodeAppName(wide), sixteen);
}

TEST(WithoutNulsTest, DropsOnlyNuls) { EXPECT_EQ(WithoutNuls(std::string("a\0b\0\0", 5)), "ab"); }

}  // namespace
}  // namespace pressling
