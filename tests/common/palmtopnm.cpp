#include "tests/common/palmtopnm.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

extern char** environ;

namespace pressling::test {

namespace {

// The next number of a PNM header, after white space; at moves past it.
std::optional<std::size_t> HeaderNumber(const std::vector<std::uint8_t>& bytes, std::size_t& at) {
  while (at < bytes.size() && std::isspace(bytes[at])) ++at;
  if (at >= bytes.size() || !std::isdigit(bytes[at])) return std::nullopt;
  std::size_t value = 0;
  while (at < bytes.size() && std::isdigit(bytes[at]) && value < 100000) value = value * 10 + (bytes[at++] - '0');
  return value;
}

// Raw PBM (1 is black), PGM and PPM, with samples of one or two bytes, as 8-bit RGB.
std::optional<PnmImage> ParsePnm(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '4' || bytes[1] > '6') return std::nullopt;
  const char kind = static_cast<char>(bytes[1]);
  std::size_t at = 2;
  const auto width = HeaderNumber(bytes, at), height = HeaderNumber(bytes, at);
  const auto maxval = kind == '4' ? std::optional<std::size_t>(1) : HeaderNumber(bytes, at);
  if (!width || !height || !maxval || *maxval == 0 || *maxval > 65535) return std::nullopt;
  ++at;  // the single white-space byte before the raster
  PnmImage image{*width, *height, {}};
  const std::size_t channels = kind == '6' ? 3 : 1, sampleBytes = *maxval > 255 ? 2 : 1;
  const std::size_t rowBytes = kind == '4' ? (*width + 7) / 8 : *width * channels * sampleBytes;
  if (at > bytes.size() || bytes.size() - at < rowBytes * *height) return std::nullopt;
  image.rgb.reserve(*width * *height * 3);
  for (std::size_t y = 0; y < *height; ++y) {
    const std::uint8_t* row = bytes.data() + at + y * rowBytes;
    for (std::size_t x = 0; x < *width; ++x) {
      for (std::size_t c = 0; c < 3; ++c) {
        std::size_t sample;
        if (kind == '4') {
          sample = (row[x / 8] >> (7 - x % 8) & 1) ? 0 : 1;
        } else {
          const std::uint8_t* p = row + (x * channels + (channels == 3 ? c : 0)) * sampleBytes;
          sample = sampleBytes == 2 ? std::size_t{p[0]} << 8 | p[1] : p[0];
        }
        image.rgb.push_back(static_cast<std::uint8_t>(sample * 255 / *maxval));
      }
    }
  }
  return image;
}

}  // namespace

std::optional<std::filesystem::path> FindPalmtopnm() {
  const char* path = std::getenv("PATH");
  const std::string folders = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / "palmtopnm";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

namespace {

// Runs palmtopnm with options on file; its output, or nothing when it fails.
std::optional<std::vector<std::uint8_t>> Run(const std::filesystem::path& program, std::vector<std::string> options,
                                             const std::filesystem::path& file) {
  const std::filesystem::path output = std::filesystem::path(file).replace_extension(".pnm");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& option : options) argv.push_back(option.data());
  argv.push_back(const_cast<char*>(file.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  std::ifstream in(output, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::optional<PnmImage> RunPalmtopnm(const std::filesystem::path& program, const std::filesystem::path& file,
                                     int rendition) {
  const auto output = Run(program, {"-rendition", std::to_string(rendition)}, file);
  return output ? ParsePnm(*output) : std::nullopt;
}

std::optional<std::array<std::uint8_t, 3>> PalmtopnmTransparentColour(const std::filesystem::path& program,
                                                                      const std::filesystem::path& file) {
  const auto output = Run(program, {"-transparent"}, file);
  if (!output || output->size() != 8 || (*output)[0] != '#') return std::nullopt;
  const std::string hex(output->begin() + 1, output->begin() + 7);
  if (hex.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
  const unsigned long value = std::stoul(hex, nullptr, 16);
  return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                                     static_cast<std::uint8_t>(value)};
}

}  // namespace pressling::test
