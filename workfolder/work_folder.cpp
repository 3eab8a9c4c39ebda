#include "workfolder/work_folder.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace pressling {

namespace fs = std::filesystem;

namespace {

Error FolderFailure(std::string_view what, const fs::path& path, const std::error_code& ec) {
  return FileFailure(what, path, ec.value());
}

// A subfolder without write permission keeps its entries; give the owner
// write permission on every folder below path so that they can be removed.
void MakeFoldersWritable(const fs::path& path) {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
}

}  // namespace

bool WorkFolderExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}

Result<void> CreateWorkFolder(const fs::path& path) {
  std::error_code ec;
  if (fs::create_directory(path, ec)) return {};
  if (!ec) ec = std::make_error_code(std::errc::file_exists);
  return FolderFailure("create the folder", path, ec);
}

Result<void> DeleteWorkFolder(const fs::path& path) {
  // Once the rebuild has removed every piece the folder is empty: one call.
  if (::rmdir(path.c_str()) == 0 || errno == ENOENT) return {};
  std::error_code ec;
  fs::remove_all(path, ec);
  if (!ec) return {};
  MakeFoldersWritable(path);
  ec.clear();
  fs::remove_all(path, ec);
  if (ec) return FolderFailure("delete the folder", path, ec);
  return {};
}

}  // namespace pressling
