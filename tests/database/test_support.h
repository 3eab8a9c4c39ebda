#pragma once

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "database/report_surface.h"

namespace pressling::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder in the system's temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pressling-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets (or, with nullptr, unsets) an environment variable for the life of the object.
class EnvOverride {
 public:
  EnvOverride(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~EnvOverride() {
    if (hadOld_) ::setenv(name_.c_str(), old_.c_str(), 1);
    else ::unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::string old_;
  bool hadOld_ = false;
};

// Points TMPDIR at folder, so that the private run folders land where a test can see them.
class TmpDirOverride : public EnvOverride {
 public:
  explicit TmpDirOverride(const std::filesystem::path& folder) : EnvOverride("TMPDIR", folder.c_str()) {}
};

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every name inside folder, recursively, relative to it and sorted.
inline std::vector<std::string> Contents(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.push_back(std::filesystem::relative(entry.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

// A surface that keeps every line drawn, with its position.
class RecordingSurface : public ReportSurface {
 public:
  struct Line {
    std::string text;
    float x;
    float y;
    bool operator==(const Line&) const = default;
  };
  std::vector<Line> visible;  // drawn since the last clear
  std::vector<Line> drawn;    // every line ever drawn
  int clears = 0;

  std::vector<std::string> VisibleTexts() const {
    std::vector<std::string> texts;
    for (const Line& line : visible) texts.push_back(line.text);
    return texts;
  }

 protected:
  void EraseText() override {
    visible.clear();
    ++clears;
  }
  void DrawText(const std::string& text, float x, float y) override {
    visible.push_back({text, x, y});
    drawn.push_back({text, x, y});
  }
};

// One resource of a database as its list and offsets cut it.
struct CutResource {
  std::string type;       // the list entry's type, 4 bytes
  std::string typeAndId;  // its type and id, 6 bytes
  Bytes data;
};

// The resources of the well-formed database b, cut at their offsets.
inline std::vector<CutResource> CutResources(const Bytes& b) {
  std::vector<CutResource> resources;
  const std::size_t n = std::size_t{b[76]} << 8 | b[77];
  auto offset = [&](std::size_t i) {
    const std::size_t at = 78 + 10 * i + 7;
    return i < n ? std::size_t{b[at]} << 16 | std::size_t{b[at + 1]} << 8 | b[at + 2] : b.size();
  };
  for (std::size_t i = 0; i < n; ++i) {
    const auto entry = b.begin() + 78 + 10 * static_cast<std::ptrdiff_t>(i);
    resources.push_back({std::string(entry, entry + 4), std::string(entry, entry + 6),
                         Bytes(b.begin() + offset(i), b.begin() + offset(i + 1))});
  }
  return resources;
}

// One resource of a generated database.
struct TestResource {
  std::array<std::uint8_t, 4> type;
  std::array<std::uint8_t, 2> id;
  Bytes data;
};

inline std::array<std::uint8_t, 4> Type(const char (&text)[5]) {
  return {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]), static_cast<std::uint8_t>(text[2]),
          static_cast<std::uint8_t>(text[3])};
}

// A well-formed resource database: header with the resource attribute set and
// the name, the list with offsets from 80 + 10n, the two gap bytes, the data.
inline Bytes MakeDatabase(const std::string& name, const std::vector<TestResource>& resources) {
  Bytes bytes(78, 0);
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), bytes.begin());
  bytes[33] = 0x01;  // attributes low byte: resource database
  bytes[76] = static_cast<std::uint8_t>(resources.size() / 256);
  bytes[77] = static_cast<std::uint8_t>(resources.size() % 256);
  std::size_t offset = 80 + 10 * resources.size();
  for (const TestResource& r : resources) {
    bytes.insert(bytes.end(), r.type.begin(), r.type.end());
    bytes.insert(bytes.end(), r.id.begin(), r.id.end());
    bytes.push_back(0);
    bytes.push_back(static_cast<std::uint8_t>(offset >> 16));
    bytes.push_back(static_cast<std::uint8_t>(offset >> 8));
    bytes.push_back(static_cast<std::uint8_t>(offset));
    offset += r.data.size();
  }
  bytes.push_back(0);  // gap
  bytes.push_back(0);
  for (const TestResource& r : resources) bytes.insert(bytes.end(), r.data.begin(), r.data.end());
  return bytes;
}

// A lone, last version-2 bitmap with an uncompressed data block of
// zeroBytes zeros: it packs to 2 + 2 * ceil(zeroBytes / 128) bytes rounded up
// to a multiple of 4.
inline Bytes ZeroBitmapV2(std::size_t zeroBytes) {
  Bytes bytes = {
      0x00, 0x08,  // width
      0x00, 0x08,  // height
      0x00, 0x08,  // row bytes
      0x00, 0x00,  // flags: not compressed, no colour table
      0x08,        // pixel size
      0x02,        // version
      0x00, 0x00,  // next depth offset: last bitmap
      0x00,        // transparent index
      0x00,        // compression type
      0x00, 0x00,  // reserved
  };
  bytes.resize(bytes.size() + zeroBytes, 0x00);
  return bytes;
}

}  // namespace pressling::test
