// The native picture renderer's answer for one bitmap, for the page's canvas
// test: the bitmap of BYTES bytes at OFFSET in resource RESOURCE of DATABASE.
//   pressling_render_reference DATABASE RESOURCE OFFSET BYTES
// Writes "WIDTH HEIGHT\n" and then the RGBA bytes to standard output.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "bitmap/picture/bitmap_picture.h"
#include "database/database_view.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: pressling_render_reference DATABASE RESOURCE OFFSET BYTES\n", stderr);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> database((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  pressling::BitmapRecord record;
  record.resourceIndex = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  record.offset = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
  record.before.bytes = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10));
  auto bitmap = pressling::LocateBitmap(database, record, pressling::RunSide::Input);
  if (!bitmap) {
    std::fprintf(stderr, "%s: %s\n", argv[1], bitmap.error().message.c_str());
    return 1;
  }
  auto picture = pressling::RenderBitmapPicture(*bitmap);
  if (!picture) {
    std::fprintf(stderr, "%s: %s\n", argv[1], picture.error().message.c_str());
    return 1;
  }
  std::printf("%u %u\n", picture->width, picture->height);
  std::fwrite(picture->rgba.data(), 1, picture->rgba.size(), stdout);
  return 0;
}
