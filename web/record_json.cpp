#include "web/record_json.h"

#include <string>

#include "cli/bitmap_lines.h"

namespace pressling::web {

namespace {

nlohmann::json FormJson(const BitmapForm& form) {
  return {{"compression", CompressionName(form.compression)}, {"bytes", form.bytes}};
}

}  // namespace

nlohmann::json RecordJson(const BitmapRecord& record) {
  nlohmann::json json = {
      {"resource",
       {{"type", cli::ResourceTypeText(record.resourceType)},
        {"id", record.resourceId},
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
      {"transparent", nullptr},
      {"before", FormJson(record.before)},
      {"after", nullptr},
      {"left_alone", nullptr},
  };
  if (record.transparent) json["transparent"] = *record.transparent;
  if (record.after) json["after"] = FormJson(*record.after);
  else json["left_alone"] = record.leftAlone;
  return json;
}

}  // namespace pressling::web
