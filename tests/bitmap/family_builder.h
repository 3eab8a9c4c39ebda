#pragma once

#include <cstdint>
#include <vector>

// Headers of the three bitmap versions for families built in tests. Bytes the
// tool does not interpret carry recognisable values so that changes show.
namespace pressling::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes HeaderV1(std::uint16_t nextDepthOffset, std::uint8_t byte8 = 0x08) {
  return {
      0x00, 0x10, 0x00, 0x10,  // width, height
      0x00, 0x02,              // rowBytes
      0x00, 0x00,              // flags
      byte8,                   // pixel size (255 in the marker before high-density bitmaps)
      0x01,                    // version
      static_cast<std::uint8_t>(nextDepthOffset >> 8),
      static_cast<std::uint8_t>(nextDepthOffset),  // nextDepthOffset, units of 4 bytes
      0xA1, 0xA2,              // reserved
  };
}

inline Bytes HeaderV2(std::uint16_t nextDepthOffset, std::uint8_t flagsHigh = 0x00, std::uint8_t compressionType = 0xFF) {
  return {
      0x00, 0x10, 0x00, 0x10,  // width, height
      0x00, 0x10,              // rowBytes
      flagsHigh, 0x00,         // flags
      0x08,                    // pixel size
      0x02,                    // version
      static_cast<std::uint8_t>(nextDepthOffset >> 8),
      static_cast<std::uint8_t>(nextDepthOffset),  // nextDepthOffset, units of 4 bytes
      0xB1,                    // transparent index
      compressionType,         // compressionType
      0xB2, 0xB3,              // reserved
  };
}

inline Bytes HeaderV3(std::uint32_t nextBitmapOffset, std::uint8_t flagsHigh = 0x00, std::uint8_t compressionType = 0xFF) {
  return {
      0x00, 0x20, 0x00, 0x20,  // width, height
      0x00, 0x20,              // rowBytes
      flagsHigh, 0x00,         // flags
      0x08,                    // pixel size
      0x03,                    // version
      0xC1, 0xC2, 0xC3,        // size, pixel format, unused: not interpreted
      compressionType,         // compressionType
      0x00, 0x90,              // density
      0xC4, 0xC5, 0xC6, 0xC7,  // transparent value
      static_cast<std::uint8_t>(nextBitmapOffset >> 24), static_cast<std::uint8_t>(nextBitmapOffset >> 16),
      static_cast<std::uint8_t>(nextBitmapOffset >> 8),
      static_cast<std::uint8_t>(nextBitmapOffset),  // nextBitmapOffset, bytes
  };
}

// count copies of value.
inline Bytes Fill(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The version-1 marker that Palm OS 5 puts before high-density bitmaps.
inline Bytes DensityMarker() {
  return {0, 0, 0, 0, 0, 0, 0, 0,  // width, height, rowBytes, flags: zero
          0xFF,                    // pixel size 0xFF
          0x01,                    // version 1
          0x00, 0x00,              // nextDepthOffset 0: older systems stop here
          0, 0, 0, 0};             // reserved
}

}  // namespace pressling::test
