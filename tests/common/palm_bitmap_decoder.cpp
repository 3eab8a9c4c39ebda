#include "tests/common/palm_bitmap_decoder.h"

#include <algorithm>

namespace pressling::test {

namespace {

// Garbage may hold counts that would expand a small piece enormously.
constexpr std::size_t kMaxPixels = std::size_t{64} << 20;

std::uint32_t Be(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < width; ++k) value = value << 8 | bytes[at + k];
  return value;
}

Error Bad(std::size_t index, std::size_t position, const std::string& fault) {
  return Error{ErrorKind::Corrupt,
               "bitmap " + std::to_string(index) + " at byte " + std::to_string(position) + ": " + fault};
}

// Expands (count, value) pairs of stream until it ends or a zero count (the fill) is met.
void Expand(DecodedBitmap& bitmap, std::span<const std::uint8_t> stream) {
  std::size_t k = 0;
  for (; k + 1 < stream.size(); k += 2) {
    const std::uint8_t count = stream[k];
    if (count == 0) break;
    if (bitmap.pixels.size() + count > kMaxPixels) {
      bitmap.streamFault = "the stream expands too far";
      bitmap.pixels = bitmap.stored;
      return;
    }
    bitmap.maxCount = std::max<int>(bitmap.maxCount, count);
    bitmap.pixels.insert(bitmap.pixels.end(), count, stream[k + 1]);
  }
  bitmap.pairBytes = k;
}

void Decode(DecodedBitmap& bitmap) {
  if (bitmap.version == 1) {
    bitmap.pixels = bitmap.stored;
    return;
  }
  bitmap.compressed = (bitmap.header[6] & 0x80) != 0;
  bitmap.runLength = bitmap.compressed && bitmap.header[13] == 1;
  if (!bitmap.runLength) {
    bitmap.pixels = bitmap.stored;
    return;
  }
  const std::size_t wordWidth = bitmap.version == 2 ? 2 : 4;
  if (bitmap.stored.size() < wordWidth) {
    bitmap.streamFault = "no room for the size word";
    bitmap.pixels = bitmap.stored;
    return;
  }
  bitmap.sizeWord = Be(bitmap.stored, 0, wordWidth);
  std::span<const std::uint8_t> stream(bitmap.stored);
  stream = stream.subspan(wordWidth);
  // A version-3 size word counts itself and the pairs; trust it only when it fits.
  if (bitmap.version == 3 && bitmap.sizeWord >= 4 && bitmap.sizeWord <= bitmap.stored.size()) {
    stream = stream.first(bitmap.sizeWord - 4);
  }
  Expand(bitmap, stream);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (std::size_t k = 0; k < bytes.size() && k < 32; ++k) {
    if (k) text += ' ';
    text += digits[bytes[k] >> 4];
    text += digits[bytes[k] & 15];
  }
  if (bytes.size() > 32) text += " ...";
  return text;
}

// Checks a bitmap the rewrite packed against the one it came from.
bool CheckPacked(const DecodedBitmap& in, const DecodedBitmap& out, std::string& fault) {
  const std::size_t h = in.header.size();
  std::vector<std::uint8_t> expected = in.header;
  expected[6] |= 0x80;
  expected[13] = 1;
  const std::size_t total = h + out.stored.size();
  if (in.version == 2) {
    if (in.header[10] != 0 || in.header[11] != 0) {
      expected[10] = static_cast<std::uint8_t>(total / 4 >> 8);
      expected[11] = static_cast<std::uint8_t>(total / 4);
    }
  } else if (Be(in.header, 20, 4) != 0) {
    for (std::size_t k = 0; k < 4; ++k) expected[20 + k] = static_cast<std::uint8_t>(total >> (24 - 8 * k));
  }
  if (out.header != expected) {
    fault = "header " + Hex(out.header) + ", expected " + Hex(expected);
    return false;
  }
  if ((in.header[6] & 0x40) || (in.version == 2 && (in.header[6] & 0x04))) {
    fault = "a bitmap with a colour table or direct-colour block was packed";
    return false;
  }
  if (out.stored.size() % 4 != 0 || out.stored.size() >= in.stored.size()) {
    fault = "packed length " + std::to_string(out.stored.size()) + " is not a multiple of 4 below " +
            std::to_string(in.stored.size());
    return false;
  }
  const std::size_t wordWidth = in.version == 2 ? 2 : 4;
  const std::size_t sizeWord = in.version == 2 ? total : wordWidth + out.pairBytes;
  const std::size_t fillFrom = wordWidth + out.pairBytes;
  if (out.sizeWord != sizeWord || out.stored.size() - fillFrom > 2 ||
      !std::all_of(out.stored.begin() + static_cast<std::ptrdiff_t>(fillFrom), out.stored.end(),
                   [](std::uint8_t b) { return b == 0; })) {
    fault = "size word " + std::to_string(out.sizeWord) + " (expected " + std::to_string(sizeWord) +
            ") or fill wrong in " + Hex(out.stored);
    return false;
  }
  if (!out.streamFault.empty()) {
    fault = out.streamFault;
    return false;
  }
  if (out.maxCount > 128) {
    fault = "a count above 128";
    return false;
  }
  if (out.pixels != in.stored) {
    fault = "the packed stream does not expand to the data block";
    return false;
  }
  return true;
}

}  // namespace

Result<std::vector<DecodedBitmap>> DecodeBitmapFamily(std::span<const std::uint8_t> piece) {
  std::vector<DecodedBitmap> bitmaps;
  std::size_t p = 0;
  for (std::size_t index = 0;; ++index) {
    const std::size_t left = piece.size() - p;
    if (left < 14) return Bad(index, p, "header reaches past the end");
    const int version = piece[p + 9];
    if (version < 1 || version > 3) return Bad(index, p, "version " + std::to_string(version));
    const std::size_t h = version == 1 ? 14 : version == 2 ? 16 : 24;
    if (left < h) return Bad(index, p, "header reaches past the end");
    const std::size_t distance = version == 3 ? Be(piece, p + 20, 4) : std::size_t{Be(piece, p + 10, 2)} * 4;
    if (distance >= (std::size_t{1} << 31)) return Bad(index, p, "distance 2^31 or more");
    if (distance != 0 && (distance < h || distance > left)) return Bad(index, p, "distance " + std::to_string(distance));
    const std::size_t end = p + (distance != 0 ? distance : left);
    DecodedBitmap bitmap;
    bitmap.version = version;
    bitmap.position = p;
    bitmap.header.assign(piece.begin() + static_cast<std::ptrdiff_t>(p), piece.begin() + static_cast<std::ptrdiff_t>(p + h));
    bitmap.stored.assign(piece.begin() + static_cast<std::ptrdiff_t>(p + h), piece.begin() + static_cast<std::ptrdiff_t>(end));
    Decode(bitmap);
    bitmaps.push_back(std::move(bitmap));
    if (distance == 0) return bitmaps;
    p += distance;
  }
}

Result<bool> SamePixels(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after, std::string* why) {
  auto in = DecodeBitmapFamily(before);
  if (!in) return Error{in.error().kind, "before: " + in.error().message};
  auto out = DecodeBitmapFamily(after);
  if (!out) return Error{out.error().kind, "after: " + out.error().message};
  std::string fault;
  if (in->size() != out->size()) {
    fault = std::to_string(in->size()) + " bitmaps became " + std::to_string(out->size());
  } else {
    for (std::size_t k = 0; k < in->size() && fault.empty(); ++k) {
      const DecodedBitmap& a = (*in)[k];
      const DecodedBitmap& b = (*out)[k];
      const bool unchanged = a.header == b.header && a.stored == b.stored;
      if (unchanged) continue;
      if (a.version != b.version) {
        fault = "version " + std::to_string(a.version) + " became " + std::to_string(b.version);
      } else if (a.version == 1 || a.compressed || !b.runLength) {
        fault = "a bitmap that may not be packed changed";
      } else {
        CheckPacked(a, b, fault);
      }
      if (!fault.empty()) fault = "bitmap " + std::to_string(k) + ": " + fault;
    }
  }
  if (why) *why = fault;
  return fault.empty();
}

}  // namespace pressling::test
