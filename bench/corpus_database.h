#pragma once

// A database of many real resources: those of the corpus databases put into
// one, for the page's benchmark, where the cost per resource shows.

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "database/database_view.h"
#include "database/prc_format.h"

namespace pressling::bench {

// Below 16 MiB with room to spare, and about twice the corpus.
constexpr std::size_t kCorpusDatabaseLimit = 15 * 1024 * 1024;

// One resource taken from a corpus database.
struct TakenResource {
  std::array<std::uint8_t, 4> type;  // its type, unchanged
  std::vector<std::uint8_t> data;    // its bytes, unchanged
};

// The resources of database in list order; none when its list does not
// describe its data.
inline std::vector<TakenResource> ResourcesOf(const std::filesystem::path& database) {
  std::ifstream in(database, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < kHeaderSize) return {};
  const std::size_t count = bytes[76] * std::size_t{256} + bytes[77];
  std::vector<TakenResource> taken;
  for (std::size_t i = 0; i < count; ++i) {
    auto data = ResourceData(bytes, i);
    if (!data) return {};
    TakenResource resource;
    std::memcpy(resource.type.data(), &bytes[kHeaderSize + kEntrySize * i], 4);
    resource.data.assign(data->begin(), data->end());
    taken.push_back(std::move(resource));
  }
  return taken;
}

// The resources of databases in their order, round after round, up to the
// first that would take the database to limit bytes or past 65535
// resources. Types and data stay as they were; ids are the resources'
// indexes, so that every (type, id) pair is unique.
inline std::vector<std::uint8_t> CorpusDatabase(const std::vector<std::filesystem::path>& databases,
                                                std::size_t limit = kCorpusDatabaseLimit) {
  std::vector<std::vector<TakenResource>> sources;
  for (const auto& database : databases) sources.push_back(ResourcesOf(database));
  std::vector<const TakenResource*> chosen;
  std::size_t dataSize = 0;
  for (bool full = false; !full;) {
    const std::size_t before = chosen.size();
    for (const auto& source : sources) {
      for (const TakenResource& resource : source) {
        full = chosen.size() == 65535 || HeadSize(static_cast<int>(chosen.size() + 1)) + dataSize +
                                                 resource.data.size() >= limit;
        if (full) break;
        chosen.push_back(&resource);
        dataSize += resource.data.size();
      }
      if (full) break;
    }
    if (chosen.size() == before) break;  // nothing to take
  }

  const int n = static_cast<int>(chosen.size());
  std::vector<std::uint8_t> b(HeadSize(n), 0);
  PrcHeader header;
  std::memcpy(header.name.data(), "Corpus resources", 16);
  header.carriedFields[1] = 0x01;  // attributes: resource database
  header.numRecords = {static_cast<std::uint8_t>(n / 256), static_cast<std::uint8_t>(n % 256)};
  EncodeHeader(header, std::span<std::uint8_t, kHeaderSize>(b.data(), kHeaderSize));
  for (int i = 0; i < n; ++i) {
    ResourceEntry entry;
    entry.type = chosen[i]->type;
    entry.id = {static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i % 256)};
    SetEntryOffset(entry, static_cast<std::int32_t>(b.size()));
    EncodeEntry(entry, std::span<std::uint8_t, kEntrySize>(b.data() + kHeaderSize + kEntrySize * i, kEntrySize));
    b.insert(b.end(), chosen[i]->data.begin(), chosen[i]->data.end());
  }
  return b;
}

}  // namespace pressling::bench
