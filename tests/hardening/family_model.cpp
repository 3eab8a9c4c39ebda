#include "tests/hardening/family_model.h"

#include "tests/common/palm_bitmap_decoder.h"

#include <algorithm>

namespace pressling::hardening {

namespace {

struct Step {
  std::size_t position;
  int version;
  std::size_t headerLength;
  std::size_t dataLength;
  std::size_t distance;
};

std::size_t HeaderLength(int version) { return version == 1 ? 14 : version == 2 ? 16 : 24; }

// Walks a family; false when it is not supported.
bool Walk(std::span<const std::uint8_t> piece, std::vector<Step>* steps) {
  std::uint64_t p = 0;
  for (;;) {
    if (p + 14 > piece.size()) return false;
    const int version = piece[p + 9];
    if (version < 1 || version > 3) return false;
    const std::size_t h = HeaderLength(version);
    if (p + h > piece.size()) return false;
    std::uint64_t d = 0;
    if (version == 3) {
      for (int k = 0; k < 4; ++k) d = d << 8 | piece[p + 20 + k];
    } else {
      d = (std::uint64_t{piece[p + 10]} << 8 | piece[p + 11]) * 4;
    }
    if (d >= (std::uint64_t{1} << 31)) return false;
    if (d != 0 && (d < h || p + d > piece.size())) return false;
    const std::uint64_t end = d != 0 ? p + d : piece.size();
    if (steps) steps->push_back(Step{p, version, h, end - p - h, d});
    if (d == 0) return true;
    p += d;
  }
}

// Length of the run-length form of data: pairs of runs cut at 128, after a
// size word of wordLength bytes, brought up to a multiple of 4.
std::size_t PackedLength(std::span<const std::uint8_t> data, std::size_t wordLength) {
  std::size_t runs = 0;
  for (std::size_t k = 0; k < data.size();) {
    std::size_t run = 1;
    while (k + run < data.size() && data[k + run] == data[k] && run < 128) ++run;
    k += run;
    ++runs;
  }
  return (wordLength + 2 * runs + 3) / 4 * 4;
}

// The length the bitmap has after the rewrite.
std::size_t RewrittenLength(std::span<const std::uint8_t> piece, const Step& s) {
  const std::uint8_t flags = piece[s.position + 6];
  const std::size_t kept = s.headerLength + s.dataLength;
  if (s.version == 1 || s.dataLength == 0 || (flags & 0xC0) != 0) return kept;
  if (s.version == 2 && (flags & 0x04) != 0) return kept;
  auto data = piece.subspan(s.position + s.headerLength, s.dataLength);
  const std::size_t packed = PackedLength(data, s.version == 2 ? 2 : 4);
  if (packed >= s.dataLength) return kept;
  if (s.version == 2 && 16 + packed > 65535) return kept;
  return s.headerLength + packed;
}

}  // namespace

bool FamilySupported(std::span<const std::uint8_t> piece) { return Walk(piece, nullptr); }

std::size_t FamilyBitmapCount(std::span<const std::uint8_t> piece) {
  std::vector<Step> steps;
  Walk(piece, &steps);
  return steps.size();
}

std::size_t ExpectedRewrittenLength(std::span<const std::uint8_t> piece) {
  std::vector<Step> steps;
  if (!Walk(piece, &steps)) return piece.size();
  std::size_t length = 0;
  for (const Step& s : steps) length += RewrittenLength(piece, s);
  return length;
}

std::string CheckRewrite(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after) {
  std::vector<Step> steps;
  if (!Walk(before, &steps)) return "the family before the rewrite is not supported";
  std::size_t at = 0;  // position in after
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const Step& s = steps[k];
    const std::string where = "bitmap " + std::to_string(k) + ": ";
    const std::size_t kept = s.headerLength + s.dataLength;
    const std::size_t expected = RewrittenLength(before, s);
    if (after.size() - at < expected) return where + "the rewritten family ends inside it";
    auto in = before.subspan(s.position, kept);
    auto out = after.subspan(at, expected);
    at += expected;
    if (expected == kept) {
      if (!std::equal(in.begin(), in.end(), out.begin(), out.end())) return where + "changed although it may not be packed";
      continue;
    }
    // Packed: the distance counts the packed bitmap; the rest is checked on
    // the bitmap alone, as the last of a family, by the decoder.
    const std::size_t distance = s.version == 3 ? std::size_t{out[20]} << 24 | out[21] << 16 | out[22] << 8 | out[23]
                                                : (std::size_t{out[10]} << 8 | out[11]) * 4;
    if (distance != (s.distance != 0 ? expected : 0)) return where + "distance " + std::to_string(distance);
    std::vector<std::uint8_t> alone(in.begin(), in.end());
    std::vector<std::uint8_t> packed(out.begin(), out.end());
    for (auto* bitmap : {&alone, &packed}) {
      if (s.version == 3) std::fill_n(bitmap->begin() + 20, 4, 0);
      else std::fill_n(bitmap->begin() + 10, 2, 0);
    }
    std::string why;
    auto same = test::SamePixels(alone, packed, &why);
    if (!same) return where + "does not decode: " + same.error().message;
    if (!*same) return where + why;
  }
  if (at != after.size()) return "the rewritten family has " + std::to_string(after.size() - at) + " bytes too many";
  return {};
}

std::vector<std::uint8_t> BuildFamily(const std::vector<BitmapSpec>& bitmaps) {
  std::vector<std::uint8_t> family;
  for (std::size_t k = 0; k < bitmaps.size(); ++k) {
    const BitmapSpec& b = bitmaps[k];
    const std::size_t h = b.version >= 1 && b.version <= 3 ? HeaderLength(b.version) : 16;
    std::vector<std::uint8_t> header(h, 0);
    header[1] = 8;  // width 8
    header[3] = static_cast<std::uint8_t>(b.data.size() / 8);  // height
    header[5] = 8;  // row bytes
    header[6] = b.flagsHigh;
    header[8] = b.byte8;
    header[9] = static_cast<std::uint8_t>(b.version);
    const bool last = k + 1 == bitmaps.size();
    const std::size_t distance = last ? 0 : h + b.data.size();
    if (b.version == 3) {
      header[10] = 24;  // header size as real version-3 headers carry it
      for (int i = 0; i < 4; ++i) header[20 + i] = static_cast<std::uint8_t>(distance >> (24 - 8 * i));
    } else {
      header[10] = static_cast<std::uint8_t>(distance / 4 >> 8);
      header[11] = static_cast<std::uint8_t>(distance / 4);
    }
    family.insert(family.end(), header.begin(), header.end());
    family.insert(family.end(), b.data.begin(), b.data.end());
  }
  return family;
}

}  // namespace pressling::hardening
