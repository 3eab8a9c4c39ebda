#include "cli/record_json.h"

#include "cli/bitmap_lines.h"

namespace pressling::cli {

namespace {

using json = nlohmann::ordered_json;

json FormJson(const BitmapForm& form) {
  return {{"compression", CompressionName(form.compression)}, {"bytes", form.bytes}};
}

}  // namespace

json RecordJson(const BitmapRecord& record) {
  return {
      {"resource", {{"type", ResourceTypeText(record.resourceType)}, {"id", record.resourceId},
                    {"index", record.resourceIndex}}},
      {"family_index", record.familyIndex},
      {"offset", record.offset},
      {"output_offset", record.outputOffset},
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
      {"left_alone", record.after ? json(nullptr) : json(record.leftAlone)},
  };
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

}  // namespace pressling::cli
