#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Running pressling-cli as a child process, and looking at folders before and
// after, for the tests that watch what a whole run does to the file system.

namespace pressling::hardening {

struct ChildRun {
  int exitCode = -1;  // -1 when the child did not exit normally
  int signal = 0;     // the signal that ended it, if one did
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs argv[0] with argv in cwd, with env added to this process's environment
// from which the variables that choose a language are removed;
// standard output and error are caught in files inside captureDir.
ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
                  const std::filesystem::path& cwd, const std::filesystem::path& captureDir);

// Every entry under root, symbolic links not followed: relative path to
// "dir", "link -> target", "file <size> <hash of the content>" or "special".
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root);

// The differences between two snapshots, one per line; empty when equal.
std::string Changes(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after);

// A fresh folder for one test, removed when the object goes.
class TestFolder {
 public:
  explicit TestFolder(const std::string& name);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace pressling::hardening
