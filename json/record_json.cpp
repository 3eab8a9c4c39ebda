#include "json/record_json.h"

#include <cstdio>

namespace pressling {

namespace {

using json = nlohmann::ordered_json;

json FormJson(const BitmapForm& form) {
  return {{"compression", CompressionName(form.compression)}, {"bytes", form.bytes}};
}

}  // namespace

json RecordJson(const BitmapRecord& record, const Language& language) {
  return {
      {"resource", {{"type", ResourceTypeText(record.resourceType)}, {"id", record.resourceId},
                    {"index", record.resourceIndex}}},
      {"family_index", record.familyIndex},
      {"offset", record.offset},
      {"output_offset", record.dropped ? json(nullptr) : json(record.outputOffset)},
      {"version", record.version},
      {"width", record.width},
      {"height", record.height},
      {"row_bytes", record.rowBytes},
      {"pixel_size", record.pixelSize},
      {"density", record.density},
      {"color_table", record.colorTable},
      {"direct_color", record.directColor},
      {"transparent", record.transparent ? json(*record.transparent) : json(nullptr)},
      {"before", FormJson(record.before)},
      {"after", record.after ? FormJson(*record.after) : json(nullptr)},
      {"left_alone", record.after ? json(nullptr) : json(LeftAloneText(record, language))},
      {"reason", record.after ? json(nullptr) : json(std::string(LeftAloneCode(record)))},
  };
}

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

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Converted:
      return "written";
    case RunOutcome::NoEffect:
      return "no_effect";
    case RunOutcome::Refused:
      return "refused";
    case RunOutcome::Failed:
    case RunOutcome::Stopped:
    case RunOutcome::Busy:
      break;
  }
  return "failed";
}

}  // namespace pressling
