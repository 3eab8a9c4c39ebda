#include "database/piece_name.h"

#include <string_view>

namespace pressling {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& name, std::uint8_t byte) {
  name += kHexDigits[byte / 16];
  name += kHexDigits[byte % 16];
}

bool NeedsEscape(std::uint8_t byte) {
  constexpr std::string_view kReserved = "/\\:*?\"<>|% ";
  return byte < 0x20 || byte > 0x7E || kReserved.find(static_cast<char>(byte)) != std::string_view::npos;
}

}  // namespace

std::string PieceFileName(int index, const ResourceEntry& entry) {
  std::string name = "~";
  const int digits = index % 10000;
  name += static_cast<char>('0' + digits / 1000);
  name += static_cast<char>('0' + digits / 100 % 10);
  name += static_cast<char>('0' + digits / 10 % 10);
  name += static_cast<char>('0' + digits % 10);
  for (std::uint8_t byte : entry.type) {
    if (NeedsEscape(byte)) {
      name += '%';
      AppendHex(name, byte);
    } else {
      name += static_cast<char>(byte);
    }
  }
  AppendHex(name, entry.id[0]);
  AppendHex(name, entry.id[1]);
  return name;
}

}  // namespace pressling
