#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "bitmap/codecs/packbits_codec.h"
#include "bitmap/codecs/rle_codec.h"
#include "bitmap/codecs/scanline_codec.h"

namespace pressling {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One codec under test: its encoder and strict decoder on a given unit size.
struct Codec {
  const char* name;
  std::function<void(std::span<const std::uint8_t>, RowShape, Bytes&)> encode;
  std::function<DecodeResult(std::span<const std::uint8_t>, RowShape, Bytes&)> decode;
  std::size_t unit = 1;
};

std::vector<Codec> AllCodecs() {
  using namespace std::placeholders;
  return {
      {"RLE", EncodeRle, DecodeRle},
      {"ScanLine", EncodeScanLine, DecodeScanLine},
      {"PackBits", std::bind(EncodePackBits, _1, _2, 1, _3), std::bind(DecodePackBits, _1, _2, 1, _3)},
      {"PackBits16", std::bind(EncodePackBits, _1, _2, 2, _3), std::bind(DecodePackBits, _1, _2, 2, _3), 2},
  };
}

// Rows with runs, repeated rows and noise, as bitmaps have them.
Bytes GeneratedRows(RowShape shape, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes rows;
  while (rows.size() < shape.total()) {
    const std::size_t kind = random() % 4;
    if (kind == 0 && rows.size() >= shape.rowBytes) {  // repeat the row above
      const std::size_t n = std::min(shape.rowBytes, shape.total() - rows.size());
      for (std::size_t k = 0; k < n; ++k) rows.push_back(rows[rows.size() - shape.rowBytes]);
    } else {
      const std::size_t run = kind == 1 ? 1 + random() % 300 : 1;
      rows.insert(rows.end(), std::min(run, shape.total() - rows.size()), static_cast<std::uint8_t>(random() % 5));
    }
  }
  return rows;
}

Bytes Encoded(const Codec& codec, const Bytes& rows, RowShape shape) {
  Bytes out;
  codec.encode(rows, shape, out);
  return out;
}

TEST(PalmCodecsTest, EachCodecEncodesRowsAsPalmWritesThem) {
  // Two rows of 3 bytes: RLE restarts at the row end although the value goes on.
  EXPECT_EQ(Encoded(AllCodecs()[0], {0xAA, 0xAA, 0xAA, 0xAA, 0xBB, 0xBB}, {3, 2}),
            (Bytes{0x03, 0xAA,  // row 0: 3 x AA
                   0x01, 0xAA,  // row 1: 1 x AA
                   0x02, 0xBB}));  //        2 x BB

  // Two rows of 10 bytes: row 0 is literal under full flags, row 1 names what changed.
  Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10,   // row 0
                1, 2, 0, 4, 5, 6, 7, 8, 9, 11};  // row 1: bytes 2 and 9 differ
  EXPECT_EQ(Encoded(AllCodecs()[1], rows, {10, 2}),
            (Bytes{0xFF, 1, 2, 3, 4, 5, 6, 7, 8,  // row 0, bytes 0-7: every flag set
                   0xC0, 9, 10,                   // row 0, bytes 8-9: the two bits that stand for bytes
                   0x20, 0,                       // row 1, bytes 0-7: byte 2 differs
                   0x40, 11}));                   // row 1, bytes 8-9: byte 9 differs

  // PackBits: a literal packet, then a repeat packet.
  EXPECT_EQ(Encoded(AllCodecs()[2], {1, 2, 3, 3, 3, 3}, {6, 1}),
            (Bytes{0x01, 1, 2,  // 2 literal bytes
                   0xFD, 3}));  // 257 - 253 = 4 x 03
  // PackBits16: units of two bytes.
  EXPECT_EQ(Encoded(AllCodecs()[3], {0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0xAB, 0xCD}, {8, 1}),
            (Bytes{0xFE, 0x12, 0x34,    // 3 x 1234
                   0x00, 0xAB, 0xCD}));  // 1 literal unit
}

TEST(PalmCodecsTest, RoundTripOnOddShapes) {
  const RowShape shapes[] = {
      {1, 1},    // a single byte
      {13, 7},   // a width no multiple of 8
      {301, 1},  // one row, runs of 255 and more
      {2, 1},    // one 16-bit pixel
      {50, 9},   // 25 16-bit pixels a row
      {600, 3},  // rows of 300 16-bit units
  };
  for (const Codec& codec : AllCodecs()) {
    for (RowShape shape : shapes) {
      if (shape.rowBytes % codec.unit != 0) continue;
      for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(std::string(codec.name) + " " + std::to_string(shape.rowBytes) + "x" + std::to_string(shape.height) +
                     " seed " + std::to_string(seed));
        const Bytes rows = GeneratedRows(shape, seed);
        const Bytes stream = Encoded(codec, rows, shape);
        Bytes decoded = {0x55};  // whatever the buffer held is replaced
        auto used = codec.decode(stream, shape, decoded);
        ASSERT_TRUE(used.ok()) << used.error().message;
        EXPECT_EQ(*used, stream.size());
        EXPECT_EQ(decoded, rows);
      }
    }
  }
  // Equal rows of 255+ bytes: RLE cuts runs at 255, PackBits at 128 units.
  const Bytes flat(2 * 700, 0x77);
  EXPECT_EQ(Encoded(AllCodecs()[0], flat, {700, 2}),
            (Bytes{255, 0x77, 255, 0x77, 190, 0x77, 255, 0x77, 255, 0x77, 190, 0x77}));
  EXPECT_EQ(Encoded(AllCodecs()[2], flat, {700, 2}).size(), 2u * 6 * 2);  // ceil(700 / 128) packets a row
}

// The rule readers depend on: no RLE pair and no PackBits packet reaches into the next row.
TEST(PalmCodecsTest, PacketsEndAtEveryRowEnd) {
  const RowShape shape{37, 11};
  const Bytes rows = GeneratedRows(shape, 7);
  const Bytes rle = Encoded(AllCodecs()[0], rows, shape);
  std::size_t filled = 0;
  for (std::size_t k = 0; k < rle.size(); k += 2) {
    const std::size_t rowEnd = (filled / shape.rowBytes + 1) * shape.rowBytes;
    filled += rle[k];
    EXPECT_LE(filled, rowEnd) << "pair at " << k;
  }
  const Bytes packBits = Encoded(AllCodecs()[2], rows, shape);
  for (std::size_t k = 0, row = 0; k < packBits.size(); ++row) {
    for (std::size_t left = shape.rowBytes; left > 0;) {
      const std::uint8_t control = packBits[k];
      ASSERT_NE(control, 128);
      const std::size_t count = control > 128 ? 257 - control : control + 1;
      ASSERT_LE(count, left) << "row " << row;
      left -= count;
      k += 1 + (control > 128 ? 1 : count);
    }
  }
}

TEST(PalmCodecsTest, RleInputMayRunAcrossRowEnds) {
  // Palm OS reads the pairs as one stream: 5 x 09 fills row 0 and row 1.
  Bytes pixels;
  auto used = DecodeRle(Bytes{0x05, 0x09, 0x01, 0x02}, {3, 2}, pixels);
  ASSERT_TRUE(used.ok()) << used.error().message;
  EXPECT_EQ(pixels, (Bytes{9, 9, 9, 9, 9, 2}));
}

TEST(PalmCodecsTest, StrictDecodersRejectMalformedStreams) {
  struct Case {
    const char* what;
    int codec;  // index into AllCodecs()
    RowShape shape;
    Bytes stream;
    const char* message;
  };
  const Case cases[] = {
      {"RLE truncated", 0, {4, 2}, {0x04, 0x01, 0x03}, "RLE data byte 2: the data end after 4 of 8 pixel bytes"},
      {"RLE run past the pixels", 0, {4, 2}, {0x04, 0x01, 0x05, 0x02}, "RLE data byte 2: a run of 5 passes the end"},
      {"RLE count 0", 0, {4, 1}, {0x00, 0x01, 0x04, 0x01}, "RLE data byte 0: a run of 0 bytes"},
      {"ScanLine truncated", 1, {3, 2}, {0xE0, 1, 2, 3, 0x80}, "ScanLine data byte 5: the data end in row 1"},
      {"ScanLine row 0 from above", 1, {3, 1}, {0xC0, 1, 2}, "row 0 leaves bytes to a row above"},
      {"ScanLine bit past the row", 1, {3, 1}, {0xF0, 1, 2, 3, 4}, "flag bits stand for bytes past the end of row 0"},
      {"PackBits truncated", 2, {4, 1}, {0x03, 1, 2}, "PackBits data byte 0: the data end in row 0"},
      {"PackBits across a row end", 2, {4, 2}, {0xFB, 7}, "a packet of 6 units crosses the end of row 0"},
      {"PackBits control 128", 2, {4, 1}, {0x80, 7}, "PackBits data byte 0: control byte 128"},
      {"PackBits16 odd rows", 3, {3, 1}, {0x00, 1, 2, 3}, "no whole 16-bit units"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes pixels;
    auto used = AllCodecs()[static_cast<std::size_t>(c.codec)].decode(c.stream, c.shape, pixels);
    ASSERT_FALSE(used.ok());
    EXPECT_NE(used.error().message.find(c.message), std::string::npos) << used.error().message;
  }
}

}  // namespace
}  // namespace pressling
