#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "workfolder/result.h"

namespace pressling::test {

// One bitmap of a "Tbmp" family as a reader of Palm bitmaps sees it.
struct DecodedBitmap {
  int version = 0;                   // 1, 2 or 3
  std::size_t position = 0;          // of the first header byte in the piece
  std::vector<std::uint8_t> header;  // 14, 16 or 24 bytes as stored
  std::vector<std::uint8_t> stored;  // the data block as stored
  bool compressed = false;           // flags bit 15 (versions 2 and 3)
  bool runLength = false;            // compressed with compression type 1; pixels is then the expanded stream
  std::uint32_t sizeWord = 0;        // run-length only: the 2-byte (version 2) or 4-byte (version 3) size word
  std::size_t pairBytes = 0;         // run-length only: bytes of (count, value) pairs expanded
  int maxCount = 0;                  // run-length only: the largest count met
  std::string streamFault;           // run-length only: why the stream does not decode; pixels are then as stored
  std::vector<std::uint8_t> pixels;  // the data block decoded, or as stored when it is not run-length
};

// Walks the family from byte 0 by the rules of the bitmap walk (versions 1 to
// 3, headers and distances inside the piece, distances not shorter than their
// header and below 2^31) and decodes each bitmap. Never reads outside piece;
// a malformed family is an error, a run-length stream that does not decode is
// noted in its bitmap's streamFault.
Result<std::vector<DecodedBitmap>> DecodeBitmapFamily(std::span<const std::uint8_t> piece);

// True when after is a correct rewrite of before: the same bitmaps in the same
// order, each either byte for byte the same or run-length packed by the rules
// of the rewrite (flags, compression type, distance and size word) with a
// stream that expands to before's data block. On false, why says what differs.
// An error when either family does not decode.
Result<bool> SamePixels(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after, std::string* why);

}  // namespace pressling::test
