#include "workfolder/run_directory.h"

#include <stdlib.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "workfolder/work_folder.h"

namespace pressling {

namespace fs = std::filesystem;

Result<RunDirectory> RunDirectory::Create() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) return FileFailure("find the temporary folder", "$TMPDIR", ec.value());
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
