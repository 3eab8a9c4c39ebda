#include "cli/bitmap_lines.h"

#include <cstdio>

namespace pressling::cli {

namespace {

// The columns text takes on a terminal: two for East Asian characters, one for others.
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) columns += byte >= 0xE1 ? 2 : 1;
  }
  return columns;
}

std::string PadRight(const std::string& text, std::size_t columns) {
  const std::size_t used = Columns(text);
  return used >= columns ? text : text + std::string(columns - used, ' ');
}

std::string PadLeft(const std::string& text, std::size_t columns) {
  const std::size_t used = Columns(text);
  return used >= columns ? text : std::string(columns - used, ' ') + text;
}

}  // namespace

std::string BitmapLine(const BitmapRecord& record, const Language& language) {
  char head[64];
  std::snprintf(head, sizeof head, "  %-4s %5u #%-2u %4u×%-4u ", ResourceTypeText(record.resourceType).c_str(),
                unsigned{record.resourceId}, unsigned{record.familyIndex}, unsigned{record.width},
                unsigned{record.height});
  char bytes[16];
  std::snprintf(bytes, sizeof bytes, " %7u", unsigned{record.before.bytes});
  // TRANSLATORS: a bitmap's depth, as in "8 bit v2" (v2: its version) in the lines of -v.
  const std::string depth = language.TrNf("%s bit", "%s bit", record.pixelSize, {std::to_string(record.pixelSize)});
  std::string line = head + PadLeft(depth, 6) + " v" + std::to_string(record.version) + "  " +
                     PadRight(CompressionText(record.before.compression, language), 8) + bytes;
  // TRANSLATORS: after a bitmap's line in -v: why it was left out of an output made for a device.
  if (record.dropped) return line + "   " + language.Trf("dropped: %s", {LeftAloneText(record, language)});
  // TRANSLATORS: after a bitmap's line in -v: why it was left as it was.
  if (!record.after) return line + "   " + language.Trf("kept: %s", {LeftAloneText(record, language)});
  std::snprintf(bytes, sizeof bytes, " %7u", unsigned{record.after->bytes});
  return line + " → " + PadRight(CompressionText(record.after->compression, language), 8) + bytes;
}

}  // namespace pressling::cli
