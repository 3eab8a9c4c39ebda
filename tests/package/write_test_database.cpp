// Writes a small resource database whose one bitmap shrinks, for the package test.
#include <cstdio>
#include <filesystem>

#include "tests/database/test_support.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.prc\n", argv[0]);
    return 2;
  }
  using namespace pressling::test;
  WriteBytes(argv[1], MakeDatabase("Package test", {{Type("Tbmp"), {0x0B, 0xB8}, ZeroBitmapV2(4096)}}));
  std::error_code ec;
  return std::filesystem::file_size(argv[1], ec) > 4096 ? 0 : 1;
}
