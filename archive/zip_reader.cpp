#include "archive/zip_reader.h"

#include <zip.h>

#include <array>
#include <utility>

namespace pressling {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::string LibzipMessage(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

std::string Bytes(const char* text, std::size_t length) { return text ? std::string(text, length) : std::string(); }

struct FileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using OpenEntry = std::unique_ptr<zip_file_t, FileCloser>;

}  // namespace

Result<ZipReader> ZipReader::Open(const fs::path& path) {
  int code = 0;
  // Without ZIP_CHECKCONS, which refuses duplicate names and the data
  // descriptors some zip programs write when streaming; every entry's local
  // header is reached below instead.
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!archive) {
    const ErrorKind kind = code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_SEEK || code == ZIP_ER_MEMORY
                               ? ErrorKind::FileOperation
                               : ErrorKind::NotDatabase;
    return Error{kind, Msg("not a zip archive, or a damaged one: %s", {LibzipMessage(code)})};
  }
  ZipReader reader(archive, path);
  int commentLength = 0;
  const char* comment = zip_get_archive_comment(archive, &commentLength, ZIP_FL_ENC_RAW);
  reader.comment_ = Bytes(comment, static_cast<std::size_t>(commentLength));
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t st;
    zip_stat_init(&st);
    const char* name = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
    if (!name || zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &st) != 0)
      return Error{ErrorKind::NotDatabase,
                   Msg("not a zip archive, or a damaged one: entry %s of the central directory cannot be read: %s",
                       {std::to_string(i), std::string(zip_strerror(archive))})};
    ZipEntry entry;
    entry.index = index;
    entry.name = name;
    zip_uint32_t commentBytes = 0;
    const char* entryComment = zip_file_get_comment(archive, index, &commentBytes, ZIP_FL_ENC_RAW);
    entry.comment = Bytes(entryComment, commentBytes);
    entry.size = st.size;
    entry.compressedSize = st.comp_size;
    entry.crc = st.crc;
    entry.method = st.comp_method;
    entry.encrypted = st.encryption_method != ZIP_EM_NONE;
    entry.mtime = st.mtime;
    zip_file_get_external_attributes(archive, index, 0, &entry.system, &entry.attributes);
    // Opening the stored data reads the local header: it must be there.
    OpenEntry stored(zip_fopen_index(archive, index, ZIP_FL_ENCRYPTED));
    if (!stored)
      return Error{ErrorKind::NotDatabase,
                   Msg("not a zip archive, or a damaged one: the data of entry %s cannot be found: %s",
                       {std::to_string(i), std::string(zip_strerror(archive))})};
    reader.entries_.push_back(std::move(entry));
  }
  return reader;
}

ZipReader::ZipReader(ZipReader&& other) noexcept
    : archive_(std::exchange(other.archive_, nullptr)),
      path_(std::move(other.path_)),
      entries_(std::move(other.entries_)),
      comment_(std::move(other.comment_)) {}

ZipReader& ZipReader::operator=(ZipReader&& other) noexcept {
  std::swap(archive_, other.archive_);
  std::swap(path_, other.path_);
  std::swap(entries_, other.entries_);
  std::swap(comment_, other.comment_);
  return *this;
}

ZipReader::~ZipReader() {
  if (archive_) zip_discard(archive_);
}

bool ZipReader::CanInflate(const ZipEntry& entry) const {
  return !entry.encrypted && zip_compression_method_supported(entry.method, 0) != 0;
}

Result<InflateEnd> ZipReader::Inflate(const ZipEntry& entry, std::uint64_t limit, const EventPass& eventPass,
                                      const ChunkSink& sink) const {
  OpenEntry file(zip_fopen_index(archive_, entry.index, 0));
  if (!file) return InflateEnd::Unreadable;
  std::array<std::uint8_t, kChunk> buffer;
  std::uint64_t total = 0;
  for (;;) {
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while inflating %s", {path_.string()})};
    // One byte past the limit is enough to know the entry passes it.
    const std::uint64_t wanted = std::min<std::uint64_t>(buffer.size(), limit + 1 - total);
    const zip_int64_t got = zip_fread(file.get(), buffer.data(), wanted);
    if (got < 0) {
      const int code = zip_error_code_zip(zip_file_get_error(file.get()));
      return code == ZIP_ER_CRC ? InflateEnd::ChecksumMismatch : InflateEnd::Unreadable;
    }
    if (got == 0) return InflateEnd::Complete;
    total += static_cast<std::uint64_t>(got);
    if (total > limit) return InflateEnd::OverLimit;
    if (auto r = sink(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got))); !r)
      return r.error();
  }
}

Result<void> ZipReader::ReadStored(const ZipEntry& entry, const ChunkSink& sink) const {
  // ZIP_FL_ENCRYPTED: the bytes as stored, encrypted or not.
  OpenEntry file(zip_fopen_index(archive_, entry.index, ZIP_FL_ENCRYPTED));
  // A read the system refused is a file operation that failed; anything else
  // (data past the end of the file, say) is a fault of the archive.
  const auto failed = [&](zip_error_t* error) {
    const int code = zip_error_code_zip(error);
    const ErrorKind kind = code == ZIP_ER_READ || code == ZIP_ER_OPEN || code == ZIP_ER_MEMORY
                               ? ErrorKind::FileOperation
                               : ErrorKind::NotDatabase;
    return Error{kind, Msg("cannot read the stored data of entry %s: %s",
                           {std::to_string(entry.index), std::string(zip_error_strerror(error))})};
  };
  if (!file) return failed(zip_get_error(archive_));
  std::array<std::uint8_t, kChunk> buffer;
  std::uint64_t delivered = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
    if (got < 0) {
      // libzip checks a stored entry's checksum and length over its stored
      // bytes once it has given all of them, even when they are encrypted.
      // They are all there: whether they match is the entry's own fault,
      // found when it is inflated, never a fault of the archive.
      zip_error_t* error = zip_file_get_error(file.get());
      const int code = zip_error_code_zip(error);
      if (entry.method == ZIP_CM_STORE && delivered == entry.compressedSize &&
          (code == ZIP_ER_CRC || code == ZIP_ER_INCONS))
        return {};
      return failed(error);
    }
    if (got == 0) return {};
    delivered += static_cast<std::uint64_t>(got);
    if (auto r = sink(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got))); !r) return r;
  }
}

Result<void> ZipReader::CheckStoredData(const EventPass& eventPass) const {
  for (const ZipEntry& entry : entries_) {
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while reading %s", {path_.string()})};
    auto read = ReadStored(entry, [](std::span<const std::uint8_t>) { return Result<void>(); });
    if (!read && read.error().kind == ErrorKind::NotDatabase)
      return Error{ErrorKind::NotDatabase, Msg("not a zip archive, or a damaged one: %s", {read.error().text})};
    if (!read) return read;
  }
  return {};
}

Result<std::vector<std::uint8_t>> ReadArchiveEntry(const fs::path& path, std::uint64_t index, std::uint64_t limit) {
  auto reader = ZipReader::Open(path);
  if (!reader) return reader.error();
  if (index >= reader->entries().size())
    return Error{ErrorKind::NotDatabase, Msg("%s: there is no entry %s", {path.string(), std::to_string(index)})};
  std::vector<std::uint8_t> bytes;
  auto end = reader->Inflate(reader->entries()[index], limit, {}, [&](std::span<const std::uint8_t> chunk) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    return Result<void>();
  });
  if (!end) return end.error();
  if (*end != InflateEnd::Complete)
    return Error{ErrorKind::Corrupt, Msg("%s: entry %s cannot be inflated", {path.string(), std::to_string(index)})};
  return bytes;
}

}  // namespace pressling
