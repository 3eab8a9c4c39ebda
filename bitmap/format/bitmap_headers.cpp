#include "bitmap/format/bitmap_headers.h"

#include <algorithm>

#include "bitmap/format/big_endian.h"

namespace pressling {

namespace {

template <std::size_t N>
void CopyOut(std::span<const std::uint8_t> bytes, std::size_t at, std::array<std::uint8_t, N>& into) {
  std::copy_n(bytes.begin() + at, N, into.begin());
}

template <std::size_t N>
void CopyIn(const std::array<std::uint8_t, N>& from, std::span<std::uint8_t> bytes, std::size_t at) {
  std::copy_n(from.begin(), N, bytes.begin() + at);
}

}  // namespace

BitmapHeaderV1 ReadBitmapHeaderV1(std::span<const std::uint8_t, BitmapHeaderV1::kLength> bytes) {
  BitmapHeaderV1 h{};
  CopyOut(bytes, 0, h.leading);
  h.version = bytes[9];
  h.nextDepthOffset = ReadU16Be(bytes, 10);
  CopyOut(bytes, 12, h.trailing);
  return h;
}

BitmapHeaderV2 ReadBitmapHeaderV2(std::span<const std::uint8_t, BitmapHeaderV2::kLength> bytes) {
  BitmapHeaderV2 h{};
  CopyOut(bytes, 0, h.leading);
  h.flags = ReadU16Be(bytes, 6);
  h.byte8 = bytes[8];
  h.version = bytes[9];
  h.nextDepthOffset = ReadU16Be(bytes, 10);
  h.byte12 = bytes[12];
  h.compressionType = bytes[13];
  CopyOut(bytes, 14, h.trailing);
  return h;
}

BitmapHeaderV3 ReadBitmapHeaderV3(std::span<const std::uint8_t, BitmapHeaderV3::kLength> bytes) {
  BitmapHeaderV3 h{};
  CopyOut(bytes, 0, h.leading);
  h.flags = ReadU16Be(bytes, 6);
  h.byte8 = bytes[8];
  h.version = bytes[9];
  CopyOut(bytes, 10, h.middle);
  h.compressionType = bytes[13];
  CopyOut(bytes, 14, h.trailing);
  h.nextBitmapOffset = ReadU32Be(bytes, 20);
  return h;
}

void WriteBitmapHeader(const BitmapHeaderV1& h, std::span<std::uint8_t, BitmapHeaderV1::kLength> bytes) {
  CopyIn(h.leading, bytes, 0);
  bytes[9] = h.version;
  WriteU16Be(bytes, 10, h.nextDepthOffset);
  CopyIn(h.trailing, bytes, 12);
}

void WriteBitmapHeader(const BitmapHeaderV2& h, std::span<std::uint8_t, BitmapHeaderV2::kLength> bytes) {
  CopyIn(h.leading, bytes, 0);
  WriteU16Be(bytes, 6, h.flags);
  bytes[8] = h.byte8;
  bytes[9] = h.version;
  WriteU16Be(bytes, 10, h.nextDepthOffset);
  bytes[12] = h.byte12;
  bytes[13] = h.compressionType;
  CopyIn(h.trailing, bytes, 14);
}

void WriteBitmapHeader(const BitmapHeaderV3& h, std::span<std::uint8_t, BitmapHeaderV3::kLength> bytes) {
  CopyIn(h.leading, bytes, 0);
  WriteU16Be(bytes, 6, h.flags);
  bytes[8] = h.byte8;
  bytes[9] = h.version;
  CopyIn(h.middle, bytes, 10);
  bytes[13] = h.compressionType;
  CopyIn(h.trailing, bytes, 14);
  WriteU32Be(bytes, 20, h.nextBitmapOffset);
}

}  // namespace pressling
