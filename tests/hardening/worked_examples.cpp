#include "tests/hardening/worked_examples.h"

#include "tests/hardening/family_model.h"
#include "tests/hardening/prc_model.h"

namespace pressling::hardening {

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<std::pair<std::size_t, std::uint8_t>> runs) {
  std::vector<std::uint8_t> bytes;
  for (auto [count, value] : runs) bytes.insert(bytes.end(), count, value);
  return bytes;
}

std::vector<std::uint8_t> Noise(std::size_t length, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(length);
  for (auto& b : bytes) {
    seed = seed * 1103515245 + 12345;
    b = static_cast<std::uint8_t>(seed >> 16);
  }
  return bytes;
}

std::vector<std::uint8_t> Chain() {
  return BuildFamily({
      {2, 0x00, Bytes({{100, 0x00}, {60, 0xFF}})},
      {1, 0x00, Bytes({{2, 0x00}}), 255},
      {3, 0x00, Bytes({{200, 0x11}, {56, 0x22}})},
  });
}

std::vector<std::uint8_t> WithStop(std::uint8_t stopAt, std::vector<std::uint8_t> piece) {
  piece.insert(piece.begin(), stopAt);
  return piece;
}

}  // namespace

std::vector<std::uint8_t> WorkedExampleBitmap() {
  return BuildFamily({{2, 0x00, Bytes({{32, 0x00}, {32, 0xFF}})}});
}

std::vector<std::uint8_t> MixedDatabase() {
  return BuildPrc("Mixed", {
                               {"code", 1, Noise(300, 7)},
                               {"Tbmp", 1000, Chain()},
                               {"tAIB", 1000, WorkedExampleBitmap()},
                               {"Tbmp", 1001, WorkedExampleBitmap()},
                               {"tSTR", 1, {}},
                               {"Tbmp", 1002, BuildFamily({{3, 0x00, Bytes({{1000, 0x00}})}})},
                           });
}

std::vector<NamedInput> ConvertExamples() {
  std::vector<std::uint8_t> code = Noise(20, 1);
  return {
      {"rebuild-example", BuildPrc("MyApp", {{"code", 1, code}, {"Tbmp", 1000, WorkedExampleBitmap()}})},
      {"empty-list", BuildPrc("Empty", {})},
      {"mixed", MixedDatabase()},
      {"hostile-types", BuildPrc("Hostile", {
                                                {"a/b.", 1, Noise(16, 2)},
                                                {"../.", 2, Noise(16, 3)},
                                                {std::string("\0\0\0\0", 4), 3, Noise(16, 4)},
                                                {"\x01\n\x7f%", 4, Noise(16, 5)},
                                                {"Tbmp", 5, WorkedExampleBitmap()},
                                            })},
      {"untouchable-bitmaps",
       BuildPrc("Untouched", {
                                 {"Tbmp", 1, BuildFamily({{2, 0x00, Bytes({{64, 0}})}, {4, 0x00, Bytes({{64, 0}})}})},
                                 {"Tbmp", 2, BuildFamily({{2, 0x80, Bytes({{64, 0}})}})},
                                 {"Tbmp", 3, BuildFamily({{2, 0x40, Bytes({{64, 0}})}})},
                                 {"Tbmp", 4, {}},
                                 {"TBMP", 5, WorkedExampleBitmap()},
                             })},
  };
}

std::vector<NamedInput> FamilyExamples() {
  auto two = BuildFamily({{2, 0x00, Bytes({{32, 0x00}, {32, 0xFF}})}, {2, 0x00, Bytes({{64, 0x55}})}});
  return {
      {"worked-example", WithStop(0, WorkedExampleBitmap())},
      {"worked-example-then-second", WithStop(0, two)},
      {"packs-to-equal-length", WithStop(0, BuildFamily({{2, 0x00, Bytes({{4, 0x00}, {4, 0x11}})}}))},
      {"chain-v2-v1-v3", WithStop(0, Chain())},
      {"chain-stopped-at-second", WithStop(2, Chain())},
      {"v3-alone", WithStop(0, BuildFamily({{3, 0x00, Bytes({{300, 0xFF}, {20, 0x01}})}}))},
      {"colour-table", WithStop(0, BuildFamily({{3, 0x40, Bytes({{64, 0x00}})}}))},
      {"direct-colour", WithStop(0, BuildFamily({{2, 0x04, Bytes({{64, 0x00}})}}))},
      {"already-compressed", WithStop(0, BuildFamily({{2, 0x80, Bytes({{64, 0x00}})}}))},
      {"empty-data-block", WithStop(0, BuildFamily({{2, 0x00, {}}}))},
      {"version-4-second", WithStop(0, BuildFamily({{2, 0x00, Bytes({{64, 0x00}})}, {4, 0x00, Bytes({{8, 0}})}}))},
      {"empty-piece", WithStop(0, {})},
  };
}

}  // namespace pressling::hardening
