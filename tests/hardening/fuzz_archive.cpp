// libFuzzer target: the archive reader and the whole conversion of an archive made from the input.
#include <cstdio>
#include <cstdlib>

#include "tests/hardening/archive_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = pressling::hardening::CheckArchiveCase({data, size});
  if (!fault.empty()) {
    std::fprintf(stderr, "archive check failed: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
