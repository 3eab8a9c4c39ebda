#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "workfolder/result.h"

namespace pressling {

// The compression types a Palm bitmap names in its compressionType byte.
enum class BitmapCodec : std::uint8_t {
  ScanLine = 0,  // per 8 bytes a flag byte, then the bytes that differ from the row above
  Rle = 1,       // (count, value) pairs
  PackBits = 2,  // literal and repeat packets per row, of bytes or of 16-bit units
};
inline constexpr std::size_t kCodecCount = 3;

const char* CodecName(BitmapCodec codec);

// Header fields of versions 1 to 3 and the flag bits of the full flag word.
inline constexpr std::size_t kCompressionTypeOffset = 13;
inline constexpr std::uint16_t kFlagWordCompressed = 0x8000;
inline constexpr std::uint16_t kFlagWordColorTable = 0x4000;
inline constexpr std::uint16_t kFlagWordTransparency = 0x2000;
inline constexpr std::uint16_t kFlagWordIndirect = 0x1000;
inline constexpr std::uint16_t kFlagWordForScreen = 0x0800;
inline constexpr std::uint16_t kFlagWordDirectColor = 0x0400;
inline constexpr std::uint16_t kFlagWordIndirectColorTable = 0x0200;
// The pixel size of the version-1 marker that stands before high-density bitmaps.
inline constexpr std::uint8_t kMarkerPixelSize = 0xFF;
// A real version-1 header is as long as a version-2 one: two reserved words follow nextDepthOffset.
inline constexpr std::size_t kFullHeaderV1Length = 16;
// Bitmaps whose pixel rows would be larger than this are left alone.
inline constexpr std::size_t kMaxPixelBytes = std::size_t{16} << 20;

// Why a bitmap is not rewritten in thorough mode.
enum class LeftAlone : std::uint8_t {
  Marker,             // the version-1 marker before high-density bitmaps
  SpecialFlags,       // indirect, forScreen or indirectColorTable
  NoPixels,           // rowBytes x height is 0
  HeaderSize,         // a version-3 header that says it is not 24 bytes long: where its data start is unsure
  Layout,             // header, colour table, direct-colour block or pixels reach past its bytes
  UnknownCompression, // a compressionType other than ScanLine, RLE or PackBits
  Undecodable,        // the compressed data do not decode to exactly rowBytes x height bytes
  ReservedByteSet,    // version 1 with byte 13 set: readers would take it for the compression type
  NotSmaller,         // no allowed codec gives a strictly shorter bitmap
  CheckFailed,        // the new form did not decode back to the same rows
  NoDirectBlock,      // 16 bits in version 2 without the direct-colour flag: readers disagree where its pixels begin
  IconVersion1,       // an application icon of version 1: thumbnailers read its pixels as if uncompressed
};
inline constexpr std::size_t kLeftAloneCount = 12;

// The reason in English, a message id of the catalogs.
const char* LeftAloneName(LeftAlone reason);
// The reason's stable code, such as "no-gain".
std::string_view LeftAloneCode(LeftAlone reason);

// Where the parts of one bitmap lie, counted from its first header byte.
struct BitmapLayout {
  std::uint8_t version = 0;         // 1, 2 or 3
  std::size_t headerLength = 0;     // 16 for versions 1 and 2, 24 for version 3
  std::uint16_t rowBytes = 0;       // bytes per pixel row
  std::uint16_t height = 0;         // pixel rows
  std::uint16_t flags = 0;          // the whole flag word
  std::uint8_t pixelSize = 0;       // bits per pixel
  std::size_t prefixLength = 0;     // header, colour table and direct-colour block, copied unchanged
  std::size_t pixelBytes = 0;       // rowBytes x height
  bool compressed = false;          // flag 0x8000
  BitmapCodec codec = BitmapCodec::ScanLine;  // when compressed; version 1 is always ScanLine
  std::size_t sizeWordLength = 0;   // 2 for versions 1 and 2, 4 for version 3
};

// What a bitmap's size word holds: its own length plus the compressed data's.
// The writer needs a value that fits the word: below 65536 for versions 1 and 2.
std::uint32_t ReadSizeWord(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap);
void WriteSizeWord(const BitmapLayout& layout, std::span<std::uint8_t> bitmap, std::uint32_t value);

// A failure that says why the bitmap stays as it is.
struct LayoutRefusal {
  LeftAlone reason;
  Message detail;
};

// Reads the layout of the bitmap held in bitmap (the bytes it occupies: up to
// the next bitmap of its family, or to the end of the piece). Refuses the
// marker, the flags that name data elsewhere, empty rows, a version-3 header
// whose size byte is not 24, and every part that reaches past bitmap.
std::variant<BitmapLayout, LayoutRefusal> ReadBitmapLayout(std::span<const std::uint8_t> bitmap);

}  // namespace pressling
