#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace pressling::test {

// The folder of real Palm databases beside the checkout (../shared/corpus/real),
// or nothing in a clone that has no shared folder.
std::optional<std::filesystem::path> CorpusDir();

// Every .prc file of the corpus, sorted by name; empty without a corpus.
std::vector<std::filesystem::path> CorpusDatabases();

}  // namespace pressling::test

// Skips the current test, with a message, when there is no corpus.
#define PRESSLING_REQUIRE_CORPUS()                                                          \
  do {                                                                                      \
    if (!::pressling::test::CorpusDir())                                                    \
      GTEST_SKIP() << "no Palm corpus at ../shared/corpus/real beside the checkout; skipped"; \
  } while (0)
