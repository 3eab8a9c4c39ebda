#include "json/records_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <string_view>

#include <nlohmann/json.hpp>

#include "json/record_json.h"

namespace pressling {

namespace {

using json = nlohmann::ordered_json;

// A string as a JSON value. Printable ASCII needs no escape; anything else is
// escaped by nlohmann's own dump, so that the text stays the same as its.
void AppendString(std::string& out, std::string_view text) {
  const bool plain =
      std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; });
  if (!plain) {
    out += json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
    return;
  }
  out += '"';
  out += text;
  out += '"';
}

void AppendNumber(std::string& out, std::uint64_t value) {
  char digits[20];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void AppendForm(std::string& out, const BitmapForm& form) {
  out += "{\"compression\":";
  AppendString(out, CompressionName(form.compression));
  out += ",\"bytes\":";
  AppendNumber(out, form.bytes);
  out += '}';
}

// The keys of a record left alone from "left_alone" on: its reason in
// language, its code and its reason in every language.
std::string LeftAloneTail(const BitmapRecord& record, const Language& language, std::span<const Language> languages) {
  std::string out = ",\"left_alone\":";
  AppendString(out, LeftAloneText(record, language));
  out += ",\"reason\":";
  AppendString(out, LeftAloneCode(record));
  out += ",\"reasons\":{";
  for (const Language& shown : languages) {
    if (&shown != languages.data()) out += ',';
    AppendString(out, shown.tag());
    out += ':';
    AppendString(out, LeftAloneText(record, shown));
  }
  out += '}';
  return out;
}

}  // namespace

std::string RecordsJsonText(std::span<const BitmapRecord> records, const Language& language,
                            std::span<const Language> languages) {
  // Most records left alone share a few reasons; one without a fault is told
  // by its reason's id and code alone.
  std::map<std::pair<std::string, std::string_view>, std::string> tails;
  std::string out = "[";
  out.reserve(records.size() * 600);  // a record left alone takes about that much
  for (const BitmapRecord& record : records) {
    if (&record != records.data()) out += ',';
    out += "{\"resource\":{\"type\":";
    AppendString(out, ResourceTypeText(record.resourceType));
    out += ",\"id\":";
    AppendNumber(out, record.resourceId);
    out += ",\"index\":";
    AppendNumber(out, record.resourceIndex);
    out += "},\"family_index\":";
    AppendNumber(out, record.familyIndex);
    out += ",\"offset\":";
    AppendNumber(out, record.offset);
    out += ",\"output_offset\":";
    if (record.dropped) out += "null";
    else AppendNumber(out, record.outputOffset);
    out += ",\"version\":";
    AppendNumber(out, record.version);
    out += ",\"width\":";
    AppendNumber(out, record.width);
    out += ",\"height\":";
    AppendNumber(out, record.height);
    out += ",\"row_bytes\":";
    AppendNumber(out, record.rowBytes);
    out += ",\"pixel_size\":";
    AppendNumber(out, record.pixelSize);
    out += ",\"density\":";
    AppendNumber(out, record.density);
    out += record.colorTable ? ",\"color_table\":true" : ",\"color_table\":false";
    out += record.directColor ? ",\"direct_color\":true" : ",\"direct_color\":false";
    out += ",\"transparent\":";
    if (record.transparent) AppendNumber(out, *record.transparent);
    else out += "null";
    out += ",\"before\":";
    AppendForm(out, record.before);
    out += ",\"after\":";
    if (record.after) {
      AppendForm(out, *record.after);
      out += ",\"left_alone\":null,\"reason\":null}";
      continue;
    }
    out += "null";
    if (!record.fault.empty()) {
      out += LeftAloneTail(record, language, languages);
    } else {
      auto [tail, added] = tails.try_emplace({record.leftAlone, LeftAloneCode(record)});
      if (added) tail->second = LeftAloneTail(record, language, languages);
      out += tail->second;
    }
    out += '}';
  }
  out += ']';
  return out;
}

}  // namespace pressling
