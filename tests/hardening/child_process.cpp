#include "tests/hardening/child_process.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "workfolder/file_io.h"

namespace fs = std::filesystem;

namespace pressling::hardening {

namespace {

std::string ReadText(const fs::path& path) {
  auto bytes = ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
                  const fs::path& cwd, const fs::path& captureDir) {
  const fs::path outPath = captureDir / "stdout";
  const fs::path errPath = captureDir / "stderr";
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    // No language unless env chooses one: the texts the tests look for are those of the default.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(name);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    ::alarm(30);  // a child that hangs is killed and fails its test
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ChildRun run;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  }
  run.out = ReadText(outPath);
  run.err = ReadText(errPath);
  return run;
}

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path relative = it->path().lexically_relative(root);
    if (it->is_symlink()) {
      entries[relative.string()] = "link -> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      entries[relative.string()] = "dir";
    } else if (!it->is_regular_file()) {
      entries[relative.string()] = "special";
    } else {
      const std::string content = ReadText(it->path());
      entries[relative.string()] =
          "file " + std::to_string(content.size()) + " " + std::to_string(std::hash<std::string>{}(content));
    }
  }
  return entries;
}

std::string Changes(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
  std::string text;
  for (const auto& [path, what] : before) {
    auto found = after.find(path);
    if (found == after.end()) text += "removed " + path + "\n";
    else if (found->second != what) text += "changed " + path + "\n";
  }
  for (const auto& [path, what] : after) {
    if (!before.count(path)) text += "added " + path + " (" + what + ")\n";
  }
  return text;
}

TestFolder::TestFolder(const std::string& name) {
  // A run syncs its output to the disk; on a memory file system the many runs
  // of the fault tests take seconds instead of minutes.
  const fs::path base = ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / ("pressling-" + name + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) std::abort();
  path_ = pattern;
}

TestFolder::~TestFolder() {
  std::error_code ec;
  // Undo the read-only modes some tests set before removing everything.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_directory() && !it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

}  // namespace pressling::hardening
