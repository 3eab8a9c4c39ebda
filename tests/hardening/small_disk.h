#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace pressling {

// Mounts a small tmpfs for the length of a test; skips without root or mount.
class SmallDisk {
 public:
  SmallDisk(const std::filesystem::path& at, std::size_t bytes) : at_(at) {
    std::filesystem::create_directory(at);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_ && ::umount2(at_.c_str(), 0) != 0) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::filesystem::path at_;
  bool mounted_ = false;
};

}  // namespace pressling
