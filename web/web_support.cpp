#include "web/web_support.h"

#include <cstdio>
#include <deque>
#include <system_error>

#include "json/record_json.h"

namespace pressling::web {

namespace fs = std::filesystem;

namespace {

std::vector<std::vector<std::uint8_t>> keptBlocks;
std::deque<std::string> keptTexts;  // a deque: a short text's bytes move when a vector grows
std::string answer;

}  // namespace

json Block(std::vector<std::uint8_t> bytes) {
  keptBlocks.push_back(std::move(bytes));
  const std::vector<std::uint8_t>& kept = keptBlocks.back();
  return {{"pointer", reinterpret_cast<std::uintptr_t>(kept.data())}, {"length", kept.size()}};
}

json Block(std::string text) {
  keptTexts.push_back(std::move(text));
  const std::string& kept = keptTexts.back();
  return {{"pointer", reinterpret_cast<std::uintptr_t>(kept.data())}, {"length", kept.size()}};
}

void ClearBlocks() {
  keptBlocks.clear();
  keptTexts.clear();
}

std::string Dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

const char* Answer(const json& value) {
  answer = Dump(value);
  return answer.c_str();
}

fs::path RunFolder() {
  static unsigned serial = 0;
  const fs::path folder = fs::path("/runs") / std::to_string(++serial);
  std::error_code ec;
  // A run's own private folder goes into the temporary folder, which a fresh file system lacks.
  fs::create_directories("/tmp", ec);
  fs::create_directories(folder, ec);
  return ec ? fs::path() : folder;
}

bool WriteWhole(const fs::path& path, const std::uint8_t* bytes, std::size_t length) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes, 1, length, file) == length;
  return std::fclose(file) == 0 && written;
}

// With one read into a buffer of the file's length, rather than growing it chunk by chunk.
std::vector<std::uint8_t> ReadWhole(const fs::path& path) {
  std::error_code ec;
  const std::uintmax_t length = fs::file_size(path, ec);
  std::FILE* file = ec ? nullptr : std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::vector<std::uint8_t> bytes(length);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

std::string PlainName(std::string name) {
  for (char& c : name)
    if (c == '/') c = '_';
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name;
}

std::string StatusName(RunOutcome outcome) {
  const std::string name = OutcomeName(outcome);
  return name == "no_effect" ? "no-effect" : name;
}

}  // namespace pressling::web
