#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "language/language.h"
#include "language/message.h"

namespace pressling {

// How a bitmap's pixels are stored.
enum class BitmapCompression : std::uint8_t { None, ScanLine, Rle, PackBits, Unknown };

// "none", "ScanLine", "RLE", "PackBits", "unknown": identifiers, the same in every language.
const char* CompressionName(BitmapCompression compression);
// The same for a person to read: the names of codecs as they are, "none"
// and "unknown", which are words, in language.
std::string CompressionText(BitmapCompression compression, const Language& language);

// One form of a bitmap: its compression and the bytes it occupies in its
// resource, from its header to the next bitmap or the end, fill included.
struct BitmapForm {
  BitmapCompression compression = BitmapCompression::Unknown;
  std::uint32_t bytes = 0;
};

// What a run did with one bitmap, or with a family it left as it was. Holds
// no pixels; the bytes are found again through the offsets.
struct BitmapRecord {
  std::array<std::uint8_t, 4> resourceType{};  // such as "Tbmp"
  std::uint16_t resourceId = 0;
  std::uint32_t resourceIndex = 0;  // in the resource list
  std::uint32_t familyIndex = 0;    // 0 for the first bitmap of the family
  std::uint32_t offset = 0;         // first header byte in the input's resource
  std::uint32_t outputOffset = 0;   // first header byte in the output's resource
  std::uint8_t version = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t rowBytes = 0;
  std::uint8_t pixelSize = 0;
  std::uint16_t density = 72;       // version 3 names it; 72 otherwise
  bool colorTable = false;
  bool directColor = false;
  std::optional<std::uint32_t> transparent;  // index, or 16-bit colour value
  BitmapForm before;
  std::optional<BitmapForm> after;  // absent when left alone or dropped
  bool dropped = false;             // left out of the output for a device: outputOffset means nothing
  // Why it was left alone or dropped, in English (a message id, or for a
  // family left as it was the fault after kFamilyLeftAsItWas), and the
  // reason's stable code such as "no-gain"; both empty when rewritten.
  std::string leftAlone;
  std::string_view leftAloneCode;
  Message fault;  // for a family left as it was: the fault, to show in any language
};

// How the reason of every record of a family left as it was because of a fault begins.
inline constexpr std::string_view kFamilyLeftAsItWas = "family left as it was: ";

// The reason record was left alone in language; empty when rewritten.
std::string LeftAloneText(const BitmapRecord& record, const Language& language);
// The stable code of that reason, the same in every language; empty when rewritten.
std::string_view LeftAloneCode(const BitmapRecord& record);

// A record of the bitmap held in bitmap (the bytes it occupies), found at
// offset of its resource and written at outputOffset: the header fields as
// far as its bytes go, before.bytes and before.compression. The resource
// fields are left to the caller.
BitmapRecord DescribeBitmap(std::span<const std::uint8_t> bitmap, std::size_t familyIndex, std::size_t offset,
                            std::size_t outputOffset);

// Adds the records of a family left as it was because of fault: one per
// bitmap the walk reached, given as (position, length), and one for the rest
// of the piece from where the walk stopped, when anything is left there.
void RecordFamilyLeftAsItWas(std::span<const std::uint8_t> piece,
                             std::span<const std::pair<std::size_t, std::size_t>> reached, const Message& fault,
                             std::vector<BitmapRecord>& records);

}  // namespace pressling
