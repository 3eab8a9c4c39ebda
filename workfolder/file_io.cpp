#include "workfolder/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

namespace pressling {

namespace {

struct FailureText {
  std::string_view what;
  const char* id;
};

constexpr FailureText kFailureTexts[] = {
    {"open", TextId("cannot open %s: %s")},
    {"read", TextId("cannot read %s: %s")},
    {"write", TextId("cannot write %s: %s")},
    {"create", TextId("cannot create %s: %s")},
    {"delete", TextId("cannot delete %s: %s")},
    {"follow", TextId("cannot follow %s: %s")},
    {"follow the link", TextId("cannot follow the link %s: %s")},
    {"read the length of", TextId("cannot read the length of %s: %s")},
    {"create a file in", TextId("cannot create a file in %s: %s")},
    {"create a folder in", TextId("cannot create a folder in %s: %s")},
    {"create the folder", TextId("cannot create the folder %s: %s")},
    {"delete the folder", TextId("cannot delete the folder %s: %s")},
    {"open the folder", TextId("cannot open the folder %s: %s")},
    {"read the folder", TextId("cannot read the folder %s: %s")},
    {"find the temporary folder", TextId("cannot find the temporary folder %s: %s")},
};

struct ErrnoEntry {
  int errnum;
  const char* text;  // as glibc writes it in the C locale
};

constexpr ErrnoEntry kErrnoTexts[] = {
    {ENOENT, TextId("No such file or directory")},
    {EACCES, TextId("Permission denied")},
    {EPERM, TextId("Operation not permitted")},
    {ENOSPC, TextId("No space left on device")},
    {EROFS, TextId("Read-only file system")},
    {EISDIR, TextId("Is a directory")},
    {ENOTDIR, TextId("Not a directory")},
    {EEXIST, TextId("File exists")},
    {ELOOP, TextId("Too many levels of symbolic links")},
    {EIO, TextId("Input/output error")},
    {EDQUOT, TextId("Disk quota exceeded")},
    {ENAMETOOLONG, TextId("File name too long")},
};

// glibc's strerror_r returns the text; the POSIX one, which emscripten's C
// library has, fills the buffer and returns 0.
[[maybe_unused]] const char* SystemText(const char* text, const char*) { return text; }
[[maybe_unused]] const char* SystemText(int result, const char* buffer) { return result == 0 ? buffer : "unknown error"; }

}  // namespace

Message ErrnoText(int errnum) {
  for (const ErrnoEntry& entry : kErrnoTexts)
    if (entry.errnum == errnum) return Msg(entry.text);
  // strerror_r: several runs may fail at once on different threads.
  char reason[256];
  return std::string(SystemText(::strerror_r(errnum, reason, sizeof reason), reason));
}

Error FileFailure(std::string_view what, const std::filesystem::path& path, int errnum) {
  for (const FailureText& text : kFailureTexts)
    if (text.what == what) return Error{ErrorKind::FileOperation, Msg(text.id, {path.string(), ErrnoText(errnum)})};
  return Error{ErrorKind::FileOperation, "cannot " + std::string(what) + " " + path.string() + ": " + ErrnoText(errnum).English()};
}

Error RenameFailure(const std::filesystem::path& from, const std::filesystem::path& to, int errnum) {
  return Error{ErrorKind::FileOperation, Msg("cannot rename %s to %s: %s", {from.string(), to.string(), ErrnoText(errnum)})};
}

Error Within(const std::string& name, const Error& error) {
  return Error{error.kind, Msg("%s: %s", {name, error.text})};
}

namespace {

// O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused as no
// regular file, and regular files ignore the flag.
constexpr int kInputFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

Result<void> WriteAll(int fd, const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileFailure("write", path, errno);
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  auto input = InputFile::Open(path);
  if (!input) return input.error();
  std::vector<std::uint8_t> bytes(input->length());
  if (auto read = input->Read(bytes); !read) return read.error();
  return bytes;
}

Result<void> AppendFileOfLength(const FolderHandle& folder, const std::string& name, std::uint64_t length,
                                std::vector<std::uint8_t>& bytes) {
  int fd = ::openat(folder.fd(), name.c_str(), kInputFlags);
  if (fd < 0) {
    int err = errno;
    return FileFailure("open", folder.PathOf(name), err);
  }
  const std::size_t start = bytes.size();
  bytes.resize(start + length + 1);
  std::uint64_t got = 0;
  // Every read asks for at least one byte past length, so stopping at
  // exactly length means the file ended there.
  while (got <= length) {
    ssize_t n = ::read(fd, bytes.data() + start + got, length + 1 - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      bytes.resize(start);
      return FileFailure("read", folder.PathOf(name), err);
    }
    if (n == 0) break;
    got += static_cast<std::uint64_t>(n);
    if (got == length) break;
  }
  ::close(fd);
  if (got != length) {
    bytes.resize(start);
    return Error{ErrorKind::FileOperation, Msg("cannot read %s: it is no longer %s bytes long",
                                               {folder.PathOf(name).string(), std::to_string(length)})};
  }
  bytes.resize(start + length);
  return {};
}

Result<void> WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  auto out = OutputFile::Create(path);
  if (!out) return out.error();
  if (auto r = out->Append(bytes); !r) return r;
  return out->Commit();
}

Result<void> RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return RenameFailure(from, to, errno);
  return {};
}

Result<void> RemoveFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) != 0) return FileFailure("delete", path, errno);
  return {};
}

InputFile::InputFile(int fd, std::filesystem::path path, std::uint64_t length)
    : fd_(fd), path_(std::move(path)), length_(length) {}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), length_(other.length_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    length_ = other.length_;
  }
  return *this;
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

Result<InputFile> InputFile::Open(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), kInputFlags);
  if (fd < 0) return FileFailure("open", path, errno);
  return Adopt(fd, path);
}

Result<InputFile> InputFile::OpenAt(const FolderHandle& folder, const std::string& name) {
  int fd = ::openat(folder.fd(), name.c_str(), kInputFlags);
  if (fd < 0) {
    int err = errno;
    return FileFailure("open", folder.PathOf(name), err);
  }
  return Adopt(fd, folder.PathOf(name));
}

Result<InputFile> InputFile::Adopt(int fd, const std::filesystem::path& path) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return FileFailure("read the length of", path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return FileFailure("open", path, EISDIR);
  }
  return InputFile(fd, path, static_cast<std::uint64_t>(st.st_size));
}

Result<void> InputFile::Read(std::span<std::uint8_t> into) {
  while (!into.empty()) {
    ssize_t n = ::read(fd_, into.data(), into.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileFailure("read", path_, errno);
    }
    if (n == 0) return Error{ErrorKind::FileOperation, Msg("cannot read %s: the file ends early", {path_.string()})};
    into = into.subspan(static_cast<std::size_t>(n));
  }
  return {};
}

OutputFile::OutputFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), length_(other.length_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    length_ = other.length_;
  }
  return *this;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
  fd_ = -1;
}

namespace {

constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;

// Six letters or digits for a temporary name; each thread draws from its own generator.
std::string RandomSuffix() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string suffix(6, '\0');
  for (char& c : suffix) c = kLetters[generator() % (sizeof kLetters - 1)];
  return suffix;
}

}  // namespace

Result<OutputFile> OutputFile::Create(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), kCreateFlags, 0666);
  if (fd < 0) return FileFailure("create", path, errno);
  return OutputFile(fd, path);
}

Result<OutputFile> OutputFile::CreateAt(const FolderHandle& folder, const std::string& name) {
  int fd = ::openat(folder.fd(), name.c_str(), kCreateFlags, 0666);
  if (fd < 0) {
    int err = errno;
    return FileFailure("create", folder.PathOf(name), err);
  }
  return OutputFile(fd, folder.PathOf(name));
}

Result<OutputFile> OutputFile::CreateUnique(const std::filesystem::path& directory, const std::string& prefix) {
  // O_EXCL with mode 0666 gives the file the permissions any new file gets
  // (umask and default ACL applied by the kernel) without touching the
  // process-wide umask, which other threads' runs rely on.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path path = directory / (prefix + RandomSuffix());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return OutputFile(fd, std::move(path));
    int err = errno;
    if (err != EEXIST) return FileFailure("create a file in", directory, err);
  }
  return FileFailure("create a file in", directory, EEXIST);
}

Result<void> OutputFile::Append(std::span<const std::uint8_t> bytes) {
  if (auto r = WriteAll(fd_, path_, bytes); !r) return r;
  length_ += bytes.size();
  return {};
}

Result<void> OutputFile::CommitDurably() {
  if (::fsync(fd_) != 0) return FileFailure("write", path_, errno);
  return Commit();
}

Result<void> OutputFile::Commit() {
  int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(path_.c_str());
    return FileFailure("write", path_, err);
  }
  return {};
}

}  // namespace pressling
