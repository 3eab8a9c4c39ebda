#include "tests/common/corpus.h"

#include <algorithm>
#include <cstdlib>

namespace pressling::test {

std::optional<std::filesystem::path> CorpusDir() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("PRESSLING_CORPUS")) {
    dir = env;
  } else {
    dir = std::filesystem::path(PRESSLING_SOURCE_DIR).parent_path() / "shared" / "corpus" / "real";
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  return dir;
}

std::vector<std::filesystem::path> CorpusDatabases() {
  std::vector<std::filesystem::path> files;
  auto dir = CorpusDir();
  if (!dir) return files;
  for (const auto& entry : std::filesystem::directory_iterator(*dir)) {
    if (entry.is_regular_file() && entry.path().extension() == ".prc") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace pressling::test
