#include "bitmap/codecs/pack_rle.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/bitmap/family_builder.h"

namespace pressling::test {
namespace {

Bytes Pack(const Bytes& data) {
  Bytes packed;
  PackRle(data, packed);
  return packed;
}

// The encoder as the format describes it, one byte at a time: the reference
// the word-at-a-time encoder must match exactly.
Bytes PackOneByteAtATime(const Bytes& data) {
  Bytes packed{0, 0};
  std::uint8_t value = data[0];
  int count = 1;
  for (std::size_t j = 1; j < data.size(); ++j) {
    if (data[j] == value && count < 128) {
      ++count;
    } else {
      packed.push_back(static_cast<std::uint8_t>(count));
      packed.push_back(value);
      value = data[j];
      count = 1;
    }
  }
  packed.push_back(static_cast<std::uint8_t>(count));
  packed.push_back(value);
  if (packed.size() % 4 != 0) packed.insert(packed.end(), {0, 0});
  return packed;
}

Bytes Expand(const Bytes& packed) {
  Bytes data;
  for (std::size_t k = 2; k + 1 < packed.size() && packed[k] != 0; k += 2) data.insert(data.end(), packed[k], packed[k + 1]);
  return data;
}

TEST(PackRle, WorkedExamples) {
  EXPECT_EQ(Pack({0x41}), (Bytes{0x00, 0x00, 0x01, 0x41}));
  EXPECT_EQ(Pack({0x00, 0x00, 0x00, 0x07, 0x07}), (Bytes{0x00, 0x00, 0x03, 0x00, 0x02, 0x07, 0x00, 0x00}));
  EXPECT_EQ(Pack({0x05, 0x05, 0x05, 0x09}), (Bytes{0x00, 0x00, 0x03, 0x05, 0x01, 0x09, 0x00, 0x00}));
  EXPECT_EQ(Pack({0xAA, 0xAA}), (Bytes{0x00, 0x00, 0x02, 0xAA}));
  EXPECT_EQ(Pack({0x01, 0x02, 0x03}), (Bytes{0x00, 0x00, 0x01, 0x01, 0x01, 0x02, 0x01, 0x03}));
}

TEST(PackRle, RunsAreCutAt128) {
  EXPECT_EQ(Pack(Fill(128, 0xFF)), (Bytes{0x00, 0x00, 0x80, 0xFF}));
  EXPECT_EQ(Pack(Fill(129, 0x00)), (Bytes{0x00, 0x00, 0x80, 0x00, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Pack(Fill(300, 0xFF)), (Bytes{0x00, 0x00, 0x80, 0xFF, 0x80, 0xFF, 0x2C, 0xFF}));
}

TEST(PackRle, ReplacesWhatPackedHeld) {
  Bytes packed{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99};
  PackRle(Bytes{0x41}, packed);
  EXPECT_EQ(packed, (Bytes{0x00, 0x00, 0x01, 0x41}));
}

TEST(PackRle, EmptyInputGivesFourZeroBytes) {
  EXPECT_EQ(Pack({}), (Bytes{0x00, 0x00, 0x00, 0x00}));
}

// Lengths around the 16-byte steps and the 128 cut, with runs that start and
// end at every alignment, singles next to runs, and runs crossing row ends.
TEST(PackRle, MatchesTheByteAtATimeEncoderOnGeneratedBitmaps) {
  std::mt19937 random(7);
  for (std::size_t n : {1u, 2u, 3u, 15u, 16u, 17u, 18u, 31u, 33u, 79u, 80u, 81u, 127u, 128u, 129u, 130u, 143u, 144u,
                        145u, 257u, 1001u, 4099u, 20000u}) {
    for (int pattern = 0; pattern < 6; ++pattern) {
      Bytes data(n);
      std::uint8_t value = 0;
      std::size_t segmentLeft = 0;
      bool noisy = false;
      for (std::size_t j = 0; j < n; ++j) {
        if (pattern == 5) {  // streaks of noise between runs, both of any length
          if (segmentLeft-- == 0) {
            segmentLeft = random() % (noisy ? 200 : 90);
            noisy = !noisy;
            value = static_cast<std::uint8_t>(random());
          }
          data[j] = noisy ? static_cast<std::uint8_t>(random()) : value;
          continue;
        }
        switch (pattern) {
          case 0: data[j] = static_cast<std::uint8_t>(random()); break;                        // noise
          case 1: data[j] = 0x5A; break;                                                     // one value
          case 2: if (random() % 9 == 0) value = static_cast<std::uint8_t>(random() % 3);
                  data[j] = value; break;                                                    // short runs, few values
          case 3: if (random() % 200 == 0) value ^= 0xFF;
                  data[j] = value; break;                                                    // long runs
          default: data[j] = static_cast<std::uint8_t>(j / 17 % 2 ? random() % 2 : 0x33);   // mixed
        }
      }
      SCOPED_TRACE("n " + std::to_string(n) + " pattern " + std::to_string(pattern));
      const Bytes packed = Pack(data);
      ASSERT_EQ(packed, PackOneByteAtATime(data));
      EXPECT_EQ(packed.size() % 4, 0u);
      EXPECT_LE(packed.size(), 2 * n + 4);
      EXPECT_EQ(Expand(packed), data);
    }
  }
}

}  // namespace
}  // namespace pressling::test
