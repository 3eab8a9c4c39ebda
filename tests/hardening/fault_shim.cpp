// Preloaded (LD_PRELOAD) into a program under test. It counts the file and
// folder operations made on paths under the folders of PRESSLING_FAULT_DIRS
// (colon-separated absolute paths) and on descriptors opened from them, and
// makes operation number PRESSLING_FAULT_AT fail: writes with ENOSPC, every
// other call with EIO. A close or closedir that fails still releases the
// descriptor, as on Linux. With PRESSLING_FAULT_SIGNAL set to a signal number,
// that operation instead raises the signal and then goes ahead.
//
// PRESSLING_FAULT_REPORT names a file that gets "hit N OP PATH" when the
// failure is injected and "calls N" when the program exits normally.
// PRESSLING_FAULT_LOG names a file that gets one line "OP PATH" for every
// operation that creates, changes or removes something, on any path.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
int __open_2(const char* path, int flags);
int __open64_2(const char* path, int flags);
int __openat_2(int dirfd, const char* path, int flags);
int __openat64_2(int dirfd, const char* path, int flags);
}

namespace {

constexpr int kMaxDirs = 8;
constexpr int kMaxFds = 65536;

struct State {
  bool ready;
  int dirCount;
  char dirs[kMaxDirs][PATH_MAX];
  long failAt;  // 0: never
  int signal;   // raised at operation failAt instead of failing it
  long calls;
  char report[PATH_MAX];
  char log[PATH_MAX];
  unsigned char tracked[kMaxFds];
};

State g;  // zero-initialised before any code runs

void CopyEnv(const char* name, char* into) {
  const char* value = getenv(name);
  if (value) snprintf(into, PATH_MAX, "%s", value);
}

void Init() {
  if (g.ready) return;
  g.ready = true;
  if (const char* at = getenv("PRESSLING_FAULT_AT")) g.failAt = strtol(at, nullptr, 10);
  if (const char* signal = getenv("PRESSLING_FAULT_SIGNAL")) g.signal = static_cast<int>(strtol(signal, nullptr, 10));
  CopyEnv("PRESSLING_FAULT_REPORT", g.report);
  CopyEnv("PRESSLING_FAULT_LOG", g.log);
  if (const char* dirs = getenv("PRESSLING_FAULT_DIRS")) {
    while (*dirs && g.dirCount < kMaxDirs) {
      const char* end = strchrnul(dirs, ':');
      size_t length = static_cast<size_t>(end - dirs);
      if (length > 0 && length < PATH_MAX) {
        memcpy(g.dirs[g.dirCount], dirs, length);
        g.dirs[g.dirCount][length] = 0;
        ++g.dirCount;
      }
      dirs = *end ? end + 1 : end;
    }
  }
}

// Appends one line to file with raw system calls, so that the shim never
// counts or logs its own writes.
void AppendLine(const char* file, const char* line) {
  if (!*file) return;
  int saved = errno;
  long fd = syscall(SYS_openat, AT_FDCWD, file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd >= 0) {
    syscall(SYS_write, fd, line, strlen(line));
    syscall(SYS_close, fd);
  }
  errno = saved;
}

// The absolute form of path, relative to dirfd (AT_FDCWD: the current directory).
bool Resolve(int dirfd, const char* path, char* out) {
  if (!path) return false;
  if (path[0] == '/') {
    snprintf(out, PATH_MAX, "%s", path);
    return true;
  }
  char base[PATH_MAX];
  if (dirfd == AT_FDCWD) {
    if (syscall(SYS_getcwd, base, sizeof base) < 0) return false;
  } else {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    long n = syscall(SYS_readlinkat, AT_FDCWD, link, base, sizeof base - 1);
    if (n < 0) return false;
    base[n] = 0;
  }
  return snprintf(out, PATH_MAX, "%s/%s", base, path) < PATH_MAX;
}

bool Under(const char* absolute) {
  for (int k = 0; k < g.dirCount; ++k) {
    size_t length = strlen(g.dirs[k]);
    if (strncmp(absolute, g.dirs[k], length) == 0 && (absolute[length] == '/' || absolute[length] == 0)) return true;
  }
  return false;
}

bool Tracked(int fd) { return fd >= 0 && fd < kMaxFds && g.tracked[fd]; }
void Track(int fd, bool on) {
  if (fd >= 0 && fd < kMaxFds) g.tracked[fd] = on;
}

// Counts one operation; true (errno set) when it is the one to fail.
// The count is atomic: runs on several threads make operations at once.
bool Fail(const char* op, const char* what, int errnum) {
  const long call = __atomic_add_fetch(&g.calls, 1, __ATOMIC_SEQ_CST);
  if (g.failAt == 0 || call != g.failAt) return false;
  char line[PATH_MAX + 64];
  snprintf(line, sizeof line, "hit %ld %s %s\n", call, op, what);
  AppendLine(g.report, line);
  if (g.signal != 0) {
    raise(g.signal);
    return false;
  }
  errno = errnum;
  return true;
}

bool FailPath(const char* op, int dirfd, const char* path, int errnum = EIO) {
  Init();
  char absolute[PATH_MAX];
  if (!Resolve(dirfd, path, absolute) || !Under(absolute)) return false;
  return Fail(op, absolute, errnum);
}

bool FailFd(const char* op, int fd, int errnum = EIO) {
  Init();
  if (!Tracked(fd)) return false;
  char what[32];
  snprintf(what, sizeof what, "fd %d", fd);
  return Fail(op, what, errnum);
}

void Log(const char* op, int dirfd, const char* path) {
  Init();
  char absolute[PATH_MAX];
  if (!*g.log || !Resolve(dirfd, path, absolute)) return;
  char line[PATH_MAX + 64];
  snprintf(line, sizeof line, "%s %s\n", op, absolute);
  AppendLine(g.log, line);
}

bool Writes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; }

mode_t ModeArg(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

int OpenAt(const char* op, int dirfd, const char* path, int flags, mode_t mode) {
  static auto real = reinterpret_cast<int (*)(int, const char*, int, ...)>(dlsym(RTLD_NEXT, "openat"));
  if (Writes(flags)) Log(op, dirfd, path);
  if (FailPath(op, dirfd, path)) return -1;
  int fd = real(dirfd, path, flags, mode);
  char absolute[PATH_MAX];
  if (fd >= 0) Track(fd, Resolve(dirfd, path, absolute) && Under(absolute));
  return fd;
}

}  // namespace

#define REAL(name) static auto real_##name = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name))

// A call on a descriptor, counted when the descriptor is watched.
#define FD_CALL(ret, name, op, fd, errnum, params, args) \
  ret name params {                                      \
    REAL(name);                                          \
    if (FailFd(op, fd, errnum)) return -1;               \
    return real_##name args;                             \
  }

// A call on a path, counted when the path is watched; LOGGED_ also logs it.
#define PATH_CALL(ret, name, op, path, failed, params, args) \
  ret name params {                                          \
    REAL(name);                                              \
    if (FailPath(op, AT_FDCWD, path)) return failed;         \
    return real_##name args;                                 \
  }
#define LOGGED_PATH_CALL(ret, name, op, path, failed, params, args) \
  ret name params {                                                 \
    REAL(name);                                                     \
    Log(op, AT_FDCWD, path);                                        \
    if (FailPath(op, AT_FDCWD, path)) return failed;                \
    return real_##name args;                                        \
  }

extern "C" {

__attribute__((destructor)) static void ReportCalls() {
  Init();
  char line[64];
  snprintf(line, sizeof line, "calls %ld\n", g.calls);
  AppendLine(g.report, line);
}

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenAt("open", AT_FDCWD, path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenAt("open", AT_FDCWD, path, flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenAt("openat", dirfd, path, flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenAt("openat", dirfd, path, flags, mode);
}
int __open_2(const char* path, int flags) { return OpenAt("open", AT_FDCWD, path, flags, 0); }
int __open64_2(const char* path, int flags) { return OpenAt("open", AT_FDCWD, path, flags, 0); }
int __openat_2(int dirfd, const char* path, int flags) { return OpenAt("openat", dirfd, path, flags, 0); }
int __openat64_2(int dirfd, const char* path, int flags) { return OpenAt("openat", dirfd, path, flags, 0); }
int creat(const char* path, mode_t mode) { return OpenAt("creat", AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, mode); }
int creat64(const char* path, mode_t mode) { return OpenAt("creat", AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, mode); }

FILE* fopen(const char* path, const char* mode) {
  REAL(fopen);
  if (strpbrk(mode, "wa+")) Log("fopen", AT_FDCWD, path);
  if (FailPath("fopen", AT_FDCWD, path)) return nullptr;
  FILE* file = real_fopen(path, mode);
  char absolute[PATH_MAX];
  if (file) Track(fileno(file), Resolve(AT_FDCWD, path, absolute) && Under(absolute));
  return file;
}
FILE* fopen64(const char* path, const char* mode) { return fopen(path, mode); }
int fclose(FILE* file) {
  REAL(fclose);
  int fd = file ? fileno(file) : -1;
  bool fail = FailFd("fclose", fd);
  Track(fd, false);
  int result = real_fclose(file);
  if (fail) {
    errno = EIO;
    return EOF;
  }
  return result;
}

FD_CALL(ssize_t, read, "read", fd, EIO, (int fd, void* buffer, size_t count), (fd, buffer, count))
FD_CALL(ssize_t, write, "write", fd, ENOSPC, (int fd, const void* buffer, size_t count), (fd, buffer, count))
FD_CALL(ssize_t, pread, "pread", fd, EIO, (int fd, void* buffer, size_t count, off_t offset), (fd, buffer, count, offset))
FD_CALL(ssize_t, pread64, "pread", fd, EIO, (int fd, void* buffer, size_t count, off64_t offset), (fd, buffer, count, offset))
FD_CALL(ssize_t, pwrite, "pwrite", fd, ENOSPC, (int fd, const void* buffer, size_t count, off_t offset), (fd, buffer, count, offset))
FD_CALL(ssize_t, pwrite64, "pwrite", fd, ENOSPC, (int fd, const void* buffer, size_t count, off64_t offset), (fd, buffer, count, offset))
FD_CALL(ssize_t, readv, "readv", fd, EIO, (int fd, const struct iovec* iov, int count), (fd, iov, count))
FD_CALL(ssize_t, writev, "writev", fd, ENOSPC, (int fd, const struct iovec* iov, int count), (fd, iov, count))
ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length, unsigned flags) {
  REAL(copy_file_range);
  if (FailFd("copy_file_range", in) || FailFd("copy_file_range", out, ENOSPC)) return -1;
  return real_copy_file_range(in, inOffset, out, outOffset, length, flags);
}
ssize_t sendfile(int out, int in, off_t* offset, size_t count) {
  REAL(sendfile);
  if (FailFd("sendfile", in) || FailFd("sendfile", out, ENOSPC)) return -1;
  return real_sendfile(out, in, offset, count);
}
ssize_t sendfile64(int out, int in, off64_t* offset, size_t count) {
  REAL(sendfile64);
  if (FailFd("sendfile", in) || FailFd("sendfile", out, ENOSPC)) return -1;
  return real_sendfile64(out, in, offset, count);
}

int close(int fd) {
  REAL(close);
  bool fail = FailFd("close", fd);
  Track(fd, false);
  int result = real_close(fd);
  if (fail) {
    errno = EIO;
    return -1;
  }
  return result;
}
FD_CALL(int, fsync, "fsync", fd, EIO, (int fd), (fd))
FD_CALL(int, fdatasync, "fdatasync", fd, EIO, (int fd), (fd))
FD_CALL(int, ftruncate, "ftruncate", fd, EIO, (int fd, off_t length), (fd, length))
FD_CALL(int, ftruncate64, "ftruncate", fd, EIO, (int fd, off64_t length), (fd, length))
FD_CALL(int, fchmod, "fchmod", fd, EIO, (int fd, mode_t mode), (fd, mode))
FD_CALL(int, fstat, "fstat", fd, EIO, (int fd, struct stat* st), (fd, st))
FD_CALL(int, fstat64, "fstat", fd, EIO, (int fd, struct stat64* st), (fd, st))

PATH_CALL(int, stat, "stat", path, -1, (const char* path, struct stat* st), (path, st))
PATH_CALL(int, stat64, "stat", path, -1, (const char* path, struct stat64* st), (path, st))
PATH_CALL(int, lstat, "lstat", path, -1, (const char* path, struct stat* st), (path, st))
PATH_CALL(int, lstat64, "lstat", path, -1, (const char* path, struct stat64* st), (path, st))
int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
  REAL(fstatat);
  if ((flags & AT_EMPTY_PATH) && !*path ? FailFd("fstatat", dirfd) : FailPath("fstatat", dirfd, path)) return -1;
  return real_fstatat(dirfd, path, st, flags);
}
int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) {
  REAL(fstatat64);
  if ((flags & AT_EMPTY_PATH) && !*path ? FailFd("fstatat", dirfd) : FailPath("fstatat", dirfd, path)) return -1;
  return real_fstatat64(dirfd, path, st, flags);
}
int statx(int dirfd, const char* path, int flags, unsigned mask, struct statx* st) {
  REAL(statx);
  if ((flags & AT_EMPTY_PATH) && !*path ? FailFd("statx", dirfd) : FailPath("statx", dirfd, path)) return -1;
  return real_statx(dirfd, path, flags, mask, st);
}
PATH_CALL(int, access, "access", path, -1, (const char* path, int mode), (path, mode))
int faccessat(int dirfd, const char* path, int mode, int flags) {
  REAL(faccessat);
  if (FailPath("faccessat", dirfd, path)) return -1;
  return real_faccessat(dirfd, path, mode, flags);
}
PATH_CALL(ssize_t, readlink, "readlink", path, -1, (const char* path, char* buffer, size_t size), (path, buffer, size))
PATH_CALL(char*, realpath, "realpath", path, nullptr, (const char* path, char* resolved), (path, resolved))
LOGGED_PATH_CALL(int, chmod, "chmod", path, -1, (const char* path, mode_t mode), (path, mode))
LOGGED_PATH_CALL(int, truncate, "truncate", path, -1, (const char* path, off_t length), (path, length))

int rename(const char* from, const char* to) {
  REAL(rename);
  Log("rename-from", AT_FDCWD, from);
  Log("rename-to", AT_FDCWD, to);
  if (FailPath("rename", AT_FDCWD, from) || FailPath("rename", AT_FDCWD, to)) return -1;
  return real_rename(from, to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) {
  REAL(renameat);
  Log("rename-from", fromDir, from);
  Log("rename-to", toDir, to);
  if (FailPath("renameat", fromDir, from) || FailPath("renameat", toDir, to)) return -1;
  return real_renameat(fromDir, from, toDir, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  REAL(renameat2);
  Log("rename-from", fromDir, from);
  Log("rename-to", toDir, to);
  if (FailPath("renameat2", fromDir, from) || FailPath("renameat2", toDir, to)) return -1;
  return real_renameat2(fromDir, from, toDir, to, flags);
}
LOGGED_PATH_CALL(int, link, "link", to, -1, (const char* from, const char* to), (from, to))
LOGGED_PATH_CALL(int, symlink, "symlink", path, -1, (const char* target, const char* path), (target, path))
LOGGED_PATH_CALL(int, unlink, "unlink", path, -1, (const char* path), (path))
int unlinkat(int dirfd, const char* path, int flags) {
  REAL(unlinkat);
  Log("unlinkat", dirfd, path);
  if (FailPath("unlinkat", dirfd, path)) return -1;
  return real_unlinkat(dirfd, path, flags);
}
LOGGED_PATH_CALL(int, remove, "remove", path, -1, (const char* path), (path))
LOGGED_PATH_CALL(int, mkdir, "mkdir", path, -1, (const char* path, mode_t mode), (path, mode))
int mkdirat(int dirfd, const char* path, mode_t mode) {
  REAL(mkdirat);
  Log("mkdirat", dirfd, path);
  if (FailPath("mkdirat", dirfd, path)) return -1;
  return real_mkdirat(dirfd, path, mode);
}
LOGGED_PATH_CALL(int, rmdir, "rmdir", path, -1, (const char* path), (path))

char* mkdtemp(char* pattern) {
  REAL(mkdtemp);
  if (FailPath("mkdtemp", AT_FDCWD, pattern)) return nullptr;
  char* made = real_mkdtemp(pattern);
  Log("mkdtemp", AT_FDCWD, pattern);
  return made;
}

namespace {
int TempFile(const char* op, char* pattern, int (*make)(char*)) {
  if (FailPath(op, AT_FDCWD, pattern)) return -1;
  int fd = make(pattern);
  Log(op, AT_FDCWD, pattern);
  char absolute[PATH_MAX];
  if (fd >= 0) Track(fd, Resolve(AT_FDCWD, pattern, absolute) && Under(absolute));
  return fd;
}
}  // namespace

int mkstemp(char* pattern) {
  REAL(mkstemp);
  return TempFile("mkstemp", pattern, real_mkstemp);
}
int mkstemp64(char* pattern) {
  REAL(mkstemp64);
  return TempFile("mkstemp", pattern, real_mkstemp64);
}
int mkostemp(char* pattern, int flags) {
  REAL(mkostemp);
  static int savedFlags;
  savedFlags = flags;
  return TempFile("mkostemp", pattern, [](char* p) { return real_mkostemp(p, savedFlags); });
}
int mkostemp64(char* pattern, int flags) {
  REAL(mkostemp64);
  static int savedFlags;
  savedFlags = flags;
  return TempFile("mkostemp", pattern, [](char* p) { return real_mkostemp64(p, savedFlags); });
}

DIR* opendir(const char* path) {
  REAL(opendir);
  if (FailPath("opendir", AT_FDCWD, path)) return nullptr;
  DIR* dir = real_opendir(path);
  char absolute[PATH_MAX];
  if (dir) Track(dirfd(dir), Resolve(AT_FDCWD, path, absolute) && Under(absolute));
  return dir;
}
DIR* fdopendir(int fd) {
  REAL(fdopendir);
  if (FailFd("fdopendir", fd)) return nullptr;
  return real_fdopendir(fd);
}
struct dirent* readdir(DIR* dir) {
  REAL(readdir);
  if (FailFd("readdir", dirfd(dir))) return nullptr;
  return real_readdir(dir);
}
struct dirent64* readdir64(DIR* dir) {
  REAL(readdir64);
  if (FailFd("readdir", dirfd(dir))) return nullptr;
  return real_readdir64(dir);
}
int closedir(DIR* dir) {
  REAL(closedir);
  int fd = dirfd(dir);
  bool fail = FailFd("closedir", fd);
  Track(fd, false);
  int result = real_closedir(dir);
  if (fail) {
    errno = EIO;
    return -1;
  }
  return result;
}

}  // extern "C"
