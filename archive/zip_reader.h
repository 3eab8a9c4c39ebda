#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bitmap/event_pass.h"
#include "workfolder/result.h"

struct zip;

namespace pressling {

// One entry of an archive's central directory, as stored.
struct ZipEntry {
  std::uint64_t index = 0;
  std::string name;        // the stored bytes, never used as a path
  std::string comment;     // the stored bytes
  std::uint64_t size = 0;  // what the header says it inflates to
  std::uint64_t compressedSize = 0;
  std::uint32_t crc = 0;
  std::int32_t method = 0;
  bool encrypted = false;
  std::int64_t mtime = 0;
  std::uint8_t system = 0;  // the system that made it, for its attributes
  std::uint32_t attributes = 0;
};

// How inflating an entry ended, when the output file took every byte.
enum class InflateEnd { Complete, ChecksumMismatch, OverLimit, Unreadable };

using ChunkSink = std::function<Result<void>(std::span<const std::uint8_t>)>;

// An archive opened for reading with libzip.
class ZipReader {
 public:
  // Refuses, as NotDatabase, a file that is no zip archive or whose central
  // directory is broken or cut short.
  static Result<ZipReader> Open(const std::filesystem::path& path);
  ZipReader(ZipReader&&) noexcept;
  ZipReader& operator=(ZipReader&&) noexcept;
  ~ZipReader();

  const std::vector<ZipEntry>& entries() const { return entries_; }
  const std::string& comment() const { return comment_; }

  // True when the entry can be inflated: not encrypted, and a method libzip reads.
  bool CanInflate(const ZipEntry& entry) const;
  // Inflates the entry in chunks to sink, at most limit bytes whatever its
  // header says, checking the stored checksum at the end; an event pass
  // before every chunk. Errors only from the sink or for a stop.
  Result<InflateEnd> Inflate(const ZipEntry& entry, std::uint64_t limit, const EventPass& eventPass,
                             const ChunkSink& sink) const;
  // The stored bytes of an entry (compressed, encrypted or not), in chunks,
  // to sink. Errors when they cannot be read: NotDatabase for a fault of the
  // archive, FileOperation for a read the system refused.
  Result<void> ReadStored(const ZipEntry& entry, const ChunkSink& sink) const;
  // Reads every entry's stored bytes once: an archive whose data run past
  // its end or cannot be found is refused before anything is written.
  Result<void> CheckStoredData(const EventPass& eventPass) const;

 private:
  ZipReader(zip* archive, std::filesystem::path path) : archive_(archive), path_(std::move(path)) {}
  zip* archive_ = nullptr;
  std::filesystem::path path_;
  std::vector<ZipEntry> entries_;
  std::string comment_;
};

// The inflated bytes of one entry of the archive at path, at most limit
// bytes, its checksum holding; for a front end that shows a database inside.
Result<std::vector<std::uint8_t>> ReadArchiveEntry(const std::filesystem::path& path, std::uint64_t index,
                                                   std::uint64_t limit);

}  // namespace pressling
