// libFuzzer target: the family scan and rewrite of a "Tbmp" piece made from the input.
#include <cstdio>
#include <cstdlib>

#include "tests/hardening/conversion_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string fault = pressling::hardening::CheckFamilyCase({data, size});
  if (!fault.empty()) {
    std::fprintf(stderr, "family check failed: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
