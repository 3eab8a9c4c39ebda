#include "tests/hardening/cli_scene.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "workfolder/file_io.h"

namespace fs = std::filesystem;

namespace pressling::hardening {

CliScene::CliScene(const std::string& name) : folder_(name) {
  fs::create_directory(in());
  fs::create_directory(tmp());
  fs::create_directory(capture());
}

ChildRun CliScene::Run(const std::vector<std::string>& args, const fs::path& cwd, long failAt,
                       const std::vector<fs::path>& watched, int signal) {
  const fs::path reportPath = capture() / "shim-report";
  const fs::path logPath = capture() / "shim-log";
  std::error_code ec;
  fs::remove(reportPath, ec);
  fs::remove(logPath, ec);
  std::string dirs;
  for (const auto& dir : watched) dirs += (dirs.empty() ? "" : ":") + dir.string();
  // The shim is not built with the sanitizers, so it comes before their runtime.
  std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
  asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
  std::vector<std::string> argv{PRESSLING_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildRun run = RunChild(argv,
                          {{"LD_PRELOAD", PRESSLING_FAULT_SHIM_PATH},
                           {"PRESSLING_FAULT_DIRS", dirs},
                           {"PRESSLING_FAULT_AT", std::to_string(failAt)},
                           {"PRESSLING_FAULT_SIGNAL", std::to_string(signal)},
                           {"PRESSLING_FAULT_REPORT", reportPath.string()},
                           {"PRESSLING_FAULT_LOG", logPath.string()},
                           {"TMPDIR", tmp().string()},
                           {"ASAN_OPTIONS", asan}},
                          cwd, capture());
  report_ = ShimReport{};
  auto reportBytes = FileBytes(reportPath);
  std::istringstream lines(std::string(reportBytes.begin(), reportBytes.end()));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("calls ", 0) == 0) report_.calls = std::stol(line.substr(6));
    if (line.rfind("hit ", 0) == 0) report_.hit = line;
  }
  auto logBytes = FileBytes(logPath);
  std::istringstream log(std::string(logBytes.begin(), logBytes.end()));
  for (std::string line; std::getline(log, line);) report_.log.push_back(line);
  return run;
}

std::string CliScene::StrayWrites(const fs::path& input, const fs::path& output) const {
  std::string stray;
  for (const std::string& line : report_.log) {
    const fs::path path = fs::path(line.substr(line.find(' ') + 1)).lexically_normal();
    const bool inTmp = path.string().rfind(tmp().string() + "/", 0) == 0;
    const bool temporaryBeside = path.parent_path() == output.parent_path() && path != input && !fs::exists(path);
    if (!inTmp && path != output && !temporaryBeside) stray += line + "\n";
  }
  return stray;
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  auto bytes = ReadWholeFile(path);
  return bytes ? *bytes : std::vector<std::uint8_t>{};
}

void PutFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  if (!WriteWholeFile(path, bytes)) std::abort();
}

std::vector<std::string> FolderNames(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pressling::hardening
