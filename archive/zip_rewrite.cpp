#include "archive/zip_rewrite.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "archive/archive_rules.h"
#include "workfolder/file_io.h"

namespace pressling {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyChunk = 256 * 1024;

// A fingerprint of a byte stream, to compare two streams read one after the other.
struct StreamDigest {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  std::uint64_t length = 0;
  Result<void> Add(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    length += bytes.size();
    return {};
  }
  bool operator==(const StreamDigest&) const = default;
};

Result<void> CopyFile(const fs::path& from, const fs::path& to) {
  auto input = InputFile::Open(from);
  if (!input) return input.error();
  auto output = OutputFile::Create(to);
  if (!output) return output.error();
  std::vector<std::uint8_t> buffer(kCopyChunk);
  for (std::uint64_t left = input->length(); left > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    if (auto r = input->Read(std::span(buffer.data(), n)); !r) return r;
    if (auto r = output->Append(std::span<const std::uint8_t>(buffer.data(), n)); !r) return r;
    left -= n;
  }
  return output->Commit();
}

Error Broken(const fs::path& path, Message what) {
  return Error{ErrorKind::FileOperation, Msg("the new archive %s did not read back: %s", {path.string(), std::move(what)})};
}

Result<void> SyncFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileFailure("open", path, errno);
  const int synced = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (synced != 0) return FileFailure("write", path, err);
  return {};
}

// A read-only source over a converted file that reports only its size: the
// file source of libzip also reports the file's mode, which would replace the
// entry's own attributes.
class FileSource {
 public:
  static zip_source_t* Create(zip_t* archive, const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return nullptr;
    auto* state = new FileSource(path, size);
    zip_source_t* source = zip_source_function(archive, &FileSource::Command, state);
    if (!source) delete state;
    return source;
  }

 private:
  FileSource(fs::path path, std::uint64_t size) : path_(std::move(path)), size_(size) { zip_error_init(&error_); }
  ~FileSource() {
    if (fd_ >= 0) ::close(fd_);
    zip_error_fini(&error_);
  }

  static zip_int64_t Command(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<FileSource*>(state)->Run(data, length, command);
  }

  zip_int64_t Run(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_OPEN:
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        return fd_ < 0 ? Fail(ZIP_ER_OPEN) : 0;
      case ZIP_SOURCE_READ: {
        ssize_t got;
        do got = ::read(fd_, data, std::min<zip_uint64_t>(length, 1u << 20));
        while (got < 0 && errno == EINTR);
        return got < 0 ? Fail(ZIP_ER_READ) : got;
      }
      case ZIP_SOURCE_CLOSE:
        ::close(std::exchange(fd_, -1));
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = size_;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_FREE:
        delete this;
        return 0;
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
      default:
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t Fail(int code) {
    zip_error_set(&error_, code, errno);
    return -1;
  }

  fs::path path_;
  std::uint64_t size_;
  int fd_ = -1;
  zip_error_t error_;
};

// Puts the replacements into the archive at path and lets libzip write it.
Result<void> Replace(const ZipReader& original, const fs::path& path, std::span<const ZipReplacement> replacements) {
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &code);
  if (!archive) return Broken(path, Msg("libzip error %s", {std::to_string(code)}));
  const auto fail = [&](const std::string& what) {
    Error error{ErrorKind::FileOperation, "cannot write " + path.string() + ": " + what + ": " + zip_strerror(archive)};
    zip_discard(archive);
    return error;
  };
  for (const ZipReplacement& replacement : replacements) {
    const ZipEntry& entry = original.entries().at(replacement.index);
    zip_source_t* source = FileSource::Create(archive, replacement.file);
    if (!source) return fail("open " + replacement.file.string());
    if (zip_file_replace(archive, entry.index, source, 0) != 0) {
      zip_source_free(source);
      return fail("replace entry " + std::to_string(entry.index));
    }
    const std::int32_t method = zip_compression_method_supported(entry.method, 1) ? entry.method : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(archive, entry.index, method, 0) != 0 ||
        zip_file_set_mtime(archive, entry.index, static_cast<time_t>(entry.mtime), 0) != 0 ||
        zip_file_set_external_attributes(archive, entry.index, 0, entry.system, entry.attributes) != 0)
      return fail("keep the attributes of entry " + std::to_string(entry.index));
  }
  if (zip_close(archive) != 0) {
    // Writing copies every other entry's stored data: faults found there are the input's.
    const int code = zip_error_code_zip(zip_get_error(archive));
    const bool damaged = code == ZIP_ER_INCONS || code == ZIP_ER_NOZIP || code == ZIP_ER_EOF || code == ZIP_ER_CRC ||
                         code == ZIP_ER_COMPRESSED_DATA || code == ZIP_ER_ZLIB;
    // libzip seeks to every copied entry's data, even to none: the local
    // header of an entry without data, which reading never reaches, may lead
    // past the end of the file, and that seek is then an invalid argument.
    if (code == ZIP_ER_INVAL) {
      Error error{ErrorKind::NotDatabase,
                  Msg("not a zip archive, or a damaged one: the local header of an entry without data leads past "
                      "the end of the file")};
      zip_discard(archive);
      return error;
    }
    if (damaged) {
      Error error{ErrorKind::NotDatabase, Msg("not a zip archive, or a damaged one: while copying its entries: %s",
                                              {std::string(zip_strerror(archive))})};
      zip_discard(archive);
      return error;
    }
    return fail("finish the archive");
  }
  return {};
}

// Whether a zip entry's time field can hold t as it is: local time from 1980
// to 2107, in whole pairs of seconds. An impossible stored date (month 0, say)
// reads as a time before 1980, which libzip writes back as the nearest it can.
bool DosTimeHolds(std::time_t t) {
  std::tm local{};
  if (!::localtime_r(&t, &local)) return false;
  return local.tm_year >= 80 && local.tm_year <= 207 && local.tm_sec % 2 == 0;
}

// Reads the new archive back and compares it with the original.
Result<void> ReadBack(const ZipReader& original, const fs::path& path, std::span<const ZipReplacement> replacements,
                      const EventPass& eventPass) {
  auto opened = ZipReader::Open(path);
  if (!opened) return Broken(path, opened.error().text);
  const ZipReader& written = *opened;
  if (written.entries().size() != original.entries().size()) return Broken(path, Msg("the number of entries differs"));
  if (written.comment() != original.comment()) return Broken(path, Msg("the archive comment differs"));
  std::vector<const ZipReplacement*> replacementOf(original.entries().size(), nullptr);
  for (const ZipReplacement& replacement : replacements) replacementOf.at(replacement.index) = &replacement;
  for (std::size_t i = 0; i < original.entries().size(); ++i) {
    const ZipEntry& before = original.entries()[i];
    const ZipEntry& after = written.entries()[i];
    const std::string which = std::to_string(i);
    if (after.name != before.name || after.comment != before.comment)
      return Broken(path, Msg("entry %s has another name or comment", {which}));
    const ZipReplacement* replacement = replacementOf[i];
    const bool timeKept = after.mtime == before.mtime || !DosTimeHolds(before.mtime);
    if (!timeKept || after.attributes != before.attributes || after.system != before.system)
      return Broken(path, Msg("entry %s has another time or other attributes", {which}));
    if (replacement) {
      auto bytes = ReadWholeFile(replacement->file);
      if (!bytes) return bytes.error();
      StreamDigest expected, got;
      (void)expected.Add(*bytes);
      auto end = written.Inflate(after, kInflateLimit, eventPass, [&](auto chunk) { return got.Add(chunk); });
      if (!end) return end.error();
      if (*end != InflateEnd::Complete || !(got == expected))
        return Broken(path, Msg("entry %s does not inflate to its database", {which}));
      continue;
    }
    if (after.crc != before.crc || after.size != before.size || after.compressedSize != before.compressedSize ||
        after.method != before.method || after.encrypted != before.encrypted)
      return Broken(path, Msg("entry %s was not copied as it was", {which}));
    StreamDigest was, is;
    if (auto r = original.ReadStored(before, [&](auto chunk) { return was.Add(chunk); }); !r) return r;
    if (auto r = written.ReadStored(after, [&](auto chunk) { return is.Add(chunk); }); !r)
      return Broken(path, r.error().text);
    if (!(was == is)) return Broken(path, Msg("entry %s was not copied as it was", {which}));
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while reading back %s", {path.string()})};
  }
  return {};
}

}  // namespace

Result<std::uint64_t> WriteRewrittenArchive(const ZipReader& original, const fs::path& originalPath,
                                            const fs::path& path, std::span<const ZipReplacement> replacements,
                                            const EventPass& eventPass) {
  if (auto r = CopyFile(originalPath, path); !r) return r.error();
  if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while writing %s", {path.string()})};
  if (auto r = Replace(original, path, replacements); !r) return r.error();
  if (auto r = SyncFile(path); !r) return r.error();
  if (auto r = ReadBack(original, path, replacements, eventPass); !r) return r.error();
  std::error_code ec;
  const std::uintmax_t length = fs::file_size(path, ec);
  if (ec) return FileFailure("read", path, ec.value());
  return static_cast<std::uint64_t>(length);
}

}  // namespace pressling
