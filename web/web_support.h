#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "database/conversion_run.h"

namespace pressling::web {

using json = nlohmann::ordered_json;

// A byte block the page reads from the module's memory: {pointer, length}.
// It stays valid until ClearBlocks, which each entry point calls first.
json Block(std::vector<std::uint8_t> bytes);
// A text as a block, kept as it is rather than copied.
json Block(std::string text);
void ClearBlocks();

// value as JSON text; bytes that are no UTF-8 are replaced rather than trusted.
std::string Dump(const json& value);
// The entry point's answer, valid until the next call.
const char* Answer(const json& value);

// A fresh private folder for one call's files, /runs/N; empty when it cannot be made.
std::filesystem::path RunFolder();
bool WriteWhole(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t length);
std::vector<std::uint8_t> ReadWhole(const std::filesystem::path& path);

// A browser's file name is one path element already; anything that would
// lead out of the run's folder becomes a plain name.
std::string PlainName(std::string name);

// The page's names for a run's outcome: written, no-effect, refused, failed.
std::string StatusName(RunOutcome outcome);

}  // namespace pressling::web
