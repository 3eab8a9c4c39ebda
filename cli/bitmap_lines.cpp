#include "cli/bitmap_lines.h"

#include <cstdio>

namespace pressling::cli {

std::string ResourceTypeText(const std::array<std::uint8_t, 4>& type) {
  std::string text;
  for (std::uint8_t byte : type) {
    if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  return text;
}

std::string BitmapLine(const BitmapRecord& record) {
  char head[96];
  std::snprintf(head, sizeof head, "  %-4s %5u #%-2u %4u×%-4u %2u bit v%u  %-8s %7u",
                ResourceTypeText(record.resourceType).c_str(), unsigned{record.resourceId},
                unsigned{record.familyIndex}, unsigned{record.width}, unsigned{record.height},
                unsigned{record.pixelSize}, unsigned{record.version}, CompressionName(record.before.compression),
                unsigned{record.before.bytes});
  if (!record.after) return std::string(head) + "   kept: " + record.leftAlone;
  char tail[48];
  std::snprintf(tail, sizeof tail, " → %-8s %7u", CompressionName(record.after->compression),
                unsigned{record.after->bytes});
  return std::string(head) + tail;
}

}  // namespace pressling::cli
