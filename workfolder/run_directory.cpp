#include "workfolder/run_directory.h"

#include <stdlib.h>
#include <unistd.h>
#ifndef __EMSCRIPTEN__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "workfolder/work_folder.h"

namespace pressling {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSharedMemory = "/dev/shm";

#ifdef __EMSCRIPTEN__
// WebAssembly's memory file system has no /dev/shm; every folder there is in memory already.
bool SharedMemoryHasRoom(std::uint64_t) { return false; }
#else
bool SharedMemoryHasRoom(std::uint64_t bytes) {
  struct statfs st;
  if (::statfs(kSharedMemory, &st) != 0 || st.f_type != TMPFS_MAGIC) return false;
  if (::access(kSharedMemory, W_OK | X_OK) != 0) return false;
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_bsize) >= bytes;
}
#endif

}  // namespace

// Reading the environment is safe on any thread as long as nobody changes it,
// which this program never does once runs have started.
Result<fs::path> RunDirectory::BaseFolder(std::uint64_t inputLength) {
  std::error_code ec;
  if (std::getenv("TMPDIR") == nullptr) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
      if (fs::is_directory(runtime, ec) && ::access(runtime, W_OK | X_OK) == 0) return fs::path(runtime);
    }
    // The piece files and the scratch file take about as much room as the input.
    if (SharedMemoryHasRoom(2 * inputLength)) return fs::path(kSharedMemory);
  }
  fs::path base = fs::temp_directory_path(ec);
  if (ec) return FileFailure("find the temporary folder", "$TMPDIR", ec.value());
  return base;
}

Result<RunDirectory> RunDirectory::Create(std::uint64_t inputLength) {
  auto found = BaseFolder(inputLength);
  if (!found) return found.error();
  const fs::path& base = *found;
  std::string pattern = (base / "pressling-XXXXXX").string();
  // mkdtemp creates the folder with mode 0700.
  if (::mkdtemp(pattern.data()) == nullptr) return FileFailure("create a folder in", base, errno);
  return RunDirectory(fs::path(pattern));
}

RunDirectory::RunDirectory(RunDirectory&& other) noexcept : path_(std::exchange(other.path_, {})) {}

RunDirectory& RunDirectory::operator=(RunDirectory&& other) noexcept {
  if (this != &other) {
    (void)Remove();
    path_ = std::exchange(other.path_, {});
  }
  return *this;
}

RunDirectory::~RunDirectory() { (void)Remove(); }

Result<void> RunDirectory::Remove() {
  if (path_.empty()) return {};
  Result<void> removed = DeleteWorkFolder(path_);
  if (!removed) removed = DeleteWorkFolder(path_);
  std::error_code ec;
  if (fs::symlink_status(path_, ec).type() == fs::file_type::not_found) {
    path_.clear();
    return {};
  }
  // Kept so that the destructor tries once more.
  if (removed) removed = FileFailure("delete the folder", path_, EEXIST);
  return removed;
}

}  // namespace pressling
