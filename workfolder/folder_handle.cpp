#include "workfolder/folder_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace pressling {

Result<FolderHandle> FolderHandle::Open(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FileFailure("open the folder", path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return FileFailure("open the folder", path, err);
  }
  return FolderHandle(fd, path, st.st_dev, st.st_ino);
}

FolderHandle::FolderHandle(int fd, std::filesystem::path path, dev_t device, ino_t inode)
    : fd_(fd), path_(std::move(path)), device_(device), inode_(inode) {}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), device_(other.device_), inode_(other.inode_) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    device_ = other.device_;
    inode_ = other.inode_;
  }
  return *this;
}

FolderHandle::~FolderHandle() { Close(); }

void FolderHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Result<void> FolderHandle::Rename(const std::string& from, const FolderHandle& toFolder, const std::string& to) const {
  if (::renameat(fd_, from.c_str(), toFolder.fd_, to.c_str()) != 0)
    return RenameFailure(PathOf(from), toFolder.PathOf(to), errno);
  return {};
}

Result<void> FolderHandle::Remove(const std::string& name) const {
  if (::unlinkat(fd_, name.c_str(), 0) != 0) return FileFailure("delete", PathOf(name), errno);
  return {};
}

}  // namespace pressling
