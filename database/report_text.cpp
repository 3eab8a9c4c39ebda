#include "database/report_text.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>

namespace pressling {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr int kAppNameCharacters = 16;

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Converts from code page 932, one undecodable byte at a time replaced by U+FFFD.
std::string DecodeCp932(const std::array<std::uint8_t, 32>& bytes) {
  std::string out;
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter only ASCII can be trusted.
    for (std::uint8_t byte : bytes) out += byte < 0x80 ? std::string(1, static_cast<char>(byte)) : std::string(kReplacement);
    return out;
  }
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  std::size_t inLeft = bytes.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t converted = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int err = errno;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (converted == static_cast<std::size_t>(-1) && err != E2BIG) {
      out += kReplacement;
      ++in;
      --inLeft;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

std::string FormatRatio(double ratio) {
  const long long tenths = std::llround(ratio * 10);
  std::string text = tenths >= 10 ? std::to_string(tenths / 10) : std::string();
  text += '.';
  text += static_cast<char>('0' + tenths % 10);
  return text;
}

std::string DecodeAppName(const std::array<std::uint8_t, 32>& name) {
  std::string text = DecodeCp932(name);
  int characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsUtf8Continuation(text[i])) continue;
    if (characters == kAppNameCharacters) return text.substr(0, i);
    ++characters;
  }
  return text;
}

std::string WithoutNuls(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != '\0') out += c;
  return out;
}

}  // namespace pressling
