#pragma once

// The generated database of the conversion benchmarks: 10,000 resources,
// 16 MiB in all.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace pressling::bench {

using Bytes = std::vector<std::uint8_t>;

constexpr int kResources = 10000;
constexpr std::size_t kDatabaseSize = 16 * 1024 * 1024 - 4096;

inline void Put16(Bytes& b, std::size_t at, std::size_t value) {
  b[at] = static_cast<std::uint8_t>(value >> 8);
  b[at + 1] = static_cast<std::uint8_t>(value);
}

// A version-2 bitmap of 8-bit pixels whose rows hold long runs: it packs well.
inline Bytes CompressibleBitmap(std::size_t length, std::mt19937& random) {
  Bytes b = {0x00, 0x28, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  Put16(b, 2, (length - 16) / 40);  // height
  while (b.size() < length) {
    const auto value = static_cast<std::uint8_t>(random());
    const std::size_t run = std::min<std::size_t>(1 + random() % 60, length - b.size());
    b.insert(b.end(), run, value);
  }
  return b;
}

// kResources resources of kDatabaseSize bytes in all; even ones "Tbmp" bitmaps,
// odd ones "code" of random bytes.
inline Bytes GeneratedDatabase() {
  std::mt19937 random(10000);
  const std::size_t head = 80 + 10 * kResources;
  const std::size_t each = (kDatabaseSize - head) / kResources;
  Bytes b(head, 0);
  std::memcpy(b.data(), "Generated", 9);
  b[33] = 0x01;  // attributes: resource database
  Put16(b, 76, kResources);
  for (int i = 0; i < kResources; ++i) {
    const std::size_t length = i + 1 == kResources ? kDatabaseSize - head - each * (kResources - 1) : each;
    const std::size_t entry = 78 + 10 * static_cast<std::size_t>(i);
    std::memcpy(&b[entry], i % 2 == 0 ? "Tbmp" : "code", 4);
    Put16(b, entry + 4, static_cast<std::size_t>(i));
    const std::size_t offset = b.size();
    b[entry + 7] = static_cast<std::uint8_t>(offset >> 16);
    Put16(b, entry + 8, offset & 0xFFFF);
    if (i % 2 == 0) {
      Bytes bitmap = CompressibleBitmap(length, random);
      b.insert(b.end(), bitmap.begin(), bitmap.end());
    } else {
      for (std::size_t k = 0; k < length; ++k) b.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  return b;
}

inline void Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace pressling::bench
