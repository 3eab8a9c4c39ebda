#pragma once

#include <cstdint>
#include <filesystem>

#include "workfolder/result.h"

namespace pressling {

// A private folder (mode 0700) of one run, in BaseFolder(). It holds the work
// folder and the scratch file, so two runs never share files and nothing
// outside it is touched. It is removed by Remove() or, failing that, by the
// destructor.
class RunDirectory {
 public:
  // $TMPDIR when set; else $XDG_RUNTIME_DIR; else /dev/shm when it is a
  // writable tmpfs with room for twice inputLength; else the system's
  // temporary folder. Memory-backed folders make the thousands of small piece
  // files of a large database cheap.
  static Result<std::filesystem::path> BaseFolder(std::uint64_t inputLength);
  static Result<RunDirectory> Create(std::uint64_t inputLength = 0);
  RunDirectory(RunDirectory&& other) noexcept;
  RunDirectory& operator=(RunDirectory&& other) noexcept;
  ~RunDirectory();

  const std::filesystem::path& path() const { return path_; }
  // Removes the folder with everything in it; a failed attempt is retried once.
  Result<void> Remove();

 private:
  explicit RunDirectory(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;  // empty once removed or moved from
};

}  // namespace pressling
