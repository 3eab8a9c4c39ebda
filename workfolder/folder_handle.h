#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "workfolder/result.h"

namespace pressling {

// An open folder whose files are created, opened, renamed and removed by name
// relative to its descriptor, so that the kernel does not look up the
// folder's whole path again for every file of a run.
class FolderHandle {
 public:
  static Result<FolderHandle> Open(const std::filesystem::path& path);
  FolderHandle(FolderHandle&& other) noexcept;
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  ~FolderHandle();

  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }
  // The full path of name inside the folder, for messages.
  std::filesystem::path PathOf(const std::string& name) const { return path_ / name; }
  // True when both handles lead to the same folder, whatever their paths.
  bool SameFolderAs(const FolderHandle& other) const { return device_ == other.device_ && inode_ == other.inode_; }

  Result<void> Rename(const std::string& from, const FolderHandle& toFolder, const std::string& to) const;
  Result<void> Remove(const std::string& name) const;

 private:
  FolderHandle(int fd, std::filesystem::path path, dev_t device, ino_t inode);
  void Close();
  int fd_ = -1;
  std::filesystem::path path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

}  // namespace pressling
