#include "database/piece_name.h"

#include <string_view>

namespace pressling {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* PutHex(char* at, std::uint8_t byte) {
  *at++ = kHexDigits[byte / 16];
  *at++ = kHexDigits[byte % 16];
  return at;
}

bool NeedsEscape(std::uint8_t byte) {
  constexpr std::string_view kReserved = "/\\:*?\"<>|% ";
  return byte < 0x20 || byte > 0x7E || kReserved.find(static_cast<char>(byte)) != std::string_view::npos;
}

}  // namespace

// Written into a buffer and made a string once: a run names every piece three
// times, and a name is longer than a string holds without allocating.
std::string PieceFileName(int index, const ResourceEntry& entry) {
  char name[1 + 4 + 4 * 3 + 4];  // tilde, digits, four escaped type bytes, id
  char* at = name;
  *at++ = '~';
  const int digits = index % 10000;
  *at++ = static_cast<char>('0' + digits / 1000);
  *at++ = static_cast<char>('0' + digits / 100 % 10);
  *at++ = static_cast<char>('0' + digits / 10 % 10);
  *at++ = static_cast<char>('0' + digits % 10);
  for (std::uint8_t byte : entry.type) {
    if (NeedsEscape(byte)) {
      *at++ = '%';
      at = PutHex(at, byte);
    } else {
      *at++ = static_cast<char>(byte);
    }
  }
  at = PutHex(at, entry.id[0]);
  at = PutHex(at, entry.id[1]);
  return std::string(name, at);
}

}  // namespace pressling
