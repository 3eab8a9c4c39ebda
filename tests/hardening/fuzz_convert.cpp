// libFuzzer target: the whole conversion of a database file made from the input.
#include <cstdio>
#include <cstdlib>

#include "tests/hardening/conversion_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = pressling::hardening::CheckConvertCase({data, size});
  if (!fault.empty()) {
    std::fprintf(stderr, "conversion check failed: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
