#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pressling {

// The three bitmap header versions of a "Tbmp" family. Only the named fields
// are interpreted; every other byte is carried through unchanged.

inline constexpr std::size_t kVersionOffset = 9;  // the version byte, the same in all three
inline constexpr std::uint8_t kFlagCompressed = 0x80;   // in byte 6: the data block is compressed
inline constexpr std::uint8_t kFlagColorTable = 0x40;   // in byte 6: a colour table precedes the pixels
inline constexpr std::uint8_t kFlagDirectColor = 0x04;  // in byte 6: version 2 carries a direct-colour block
inline constexpr std::uint8_t kCompressionRle = 1;

struct BitmapHeaderV1 {
  static constexpr std::size_t kLength = 14;
  std::array<std::uint8_t, 9> leading;   // 0: not interpreted (byte 8 is 255 in version-1 markers)
  std::uint8_t version;                  // 9: 1
  std::uint16_t nextDepthOffset;         // 10: distance to the next bitmap in units of 4 bytes; 0 = last
  std::array<std::uint8_t, 2> trailing;  // 12: not interpreted
};

struct BitmapHeaderV2 {
  static constexpr std::size_t kLength = 16;
  std::array<std::uint8_t, 6> leading;   // 0: not interpreted
  std::uint16_t flags;                   // 6: bit 15 compressed, bit 14 colour table, bit 10 direct colour
  std::uint8_t byte8;                    // 8: not interpreted
  std::uint8_t version;                  // 9: 2
  std::uint16_t nextDepthOffset;         // 10: distance to the next bitmap in units of 4 bytes; 0 = last
  std::uint8_t byte12;                   // 12: not interpreted
  std::uint8_t compressionType;          // 13: 1 = run-length, set when the rewrite compresses
  std::array<std::uint8_t, 2> trailing;  // 14: not interpreted
};

struct BitmapHeaderV3 {
  static constexpr std::size_t kLength = 24;
  std::array<std::uint8_t, 6> leading;   // 0: not interpreted
  std::uint16_t flags;                   // 6: bit 15 compressed, bit 14 colour table
  std::uint8_t byte8;                    // 8: not interpreted
  std::uint8_t version;                  // 9: 3
  std::array<std::uint8_t, 3> middle;    // 10: not interpreted; the header is 24 bytes whatever they hold
  std::uint8_t compressionType;          // 13: 1 = run-length, set when the rewrite compresses
  std::array<std::uint8_t, 6> trailing;  // 14: not interpreted
  std::uint32_t nextBitmapOffset;        // 20: distance to the next bitmap in bytes; 0 = last
};

// Read from, and write to, exactly kLength bytes.
BitmapHeaderV1 ReadBitmapHeaderV1(std::span<const std::uint8_t, BitmapHeaderV1::kLength> bytes);
BitmapHeaderV2 ReadBitmapHeaderV2(std::span<const std::uint8_t, BitmapHeaderV2::kLength> bytes);
BitmapHeaderV3 ReadBitmapHeaderV3(std::span<const std::uint8_t, BitmapHeaderV3::kLength> bytes);
void WriteBitmapHeader(const BitmapHeaderV1& header, std::span<std::uint8_t, BitmapHeaderV1::kLength> bytes);
void WriteBitmapHeader(const BitmapHeaderV2& header, std::span<std::uint8_t, BitmapHeaderV2::kLength> bytes);
void WriteBitmapHeader(const BitmapHeaderV3& header, std::span<std::uint8_t, BitmapHeaderV3::kLength> bytes);

}  // namespace pressling
