// The archive rules for the page's worker. The worker reads and writes the
// container with its zip library; which entries it converts, their labels,
// the limit of inflating, whether an archive has an effect and every line of
// its report come from the rules the native programs use. Requests and
// answers are JSON.

#include <emscripten/emscripten.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "archive/archive_rules.h"
#include "bitmap/device/device_target.h"
#include "language/language.h"

namespace pressling::web {
namespace {

using json = nlohmann::ordered_json;

std::string answer;

const char* Answer(const json& value) {
  answer = value.dump(-1, ' ', false, json::error_handler_t::replace);
  return answer.c_str();
}

// The worker's names for what became of a database entry.
struct OutcomeName {
  const char* name;
  EntryOutcome outcome;
};
constexpr OutcomeName kOutcomes[] = {
    {"converted", EntryOutcome::Converted},       {"no-effect", EntryOutcome::NoEffect},
    {"refused", EntryOutcome::Refused},           {"checksum-mismatch", EntryOutcome::ChecksumMismatch},
    {"over-limit", EntryOutcome::OverLimit},      {"unreadable", EntryOutcome::Unreadable},
    {"encrypted", EntryOutcome::Encrypted},       {"unknown-method", EntryOutcome::UnknownMethod},
};

EntryOutcome OutcomeFrom(const std::string& name) {
  for (const OutcomeName& known : kOutcomes)
    if (name == known.name) return known.outcome;
  return EntryOutcome::Unreadable;
}

// The field key of value, or null when value is no object or lacks it.
json Field(const json& value, const char* key) {
  return value.is_object() && value.contains(key) ? value[key] : json();
}

std::uint64_t Count(const json& value) {
  return value.is_number_unsigned() ? value.get<std::uint64_t>() : 0;
}

// An entry's name as stored: a string (UTF-8), or an array of its byte values
// for a name that is no UTF-8.
std::string NameBytes(const json& name) {
  if (name.is_string()) return name.get<std::string>();
  std::string bytes;
  if (name.is_array())
    for (const json& byte : name)
      if (byte.is_number_unsigned() && byte.get<std::uint64_t>() < 256)
        bytes += static_cast<char>(byte.get<std::uint64_t>());
  return bytes;
}

}  // namespace
}  // namespace pressling::web

using namespace pressling;
using namespace pressling::web;

extern "C" {

// Whether name is an archive the page converts: it ends in ".zip", in any
// letter case. 1 or 0.
EMSCRIPTEN_KEEPALIVE int pressling_is_archive(const char* name) { return EndsInZip(name) ? 1 : 0; }

// The plan for the archive named in request {archive, entries: [name...]},
// each name a string or an array of byte values:
// answers {output_name, limit, entries: [{database, label}...]}, or {error}
// for a request that does not read.
EMSCRIPTEN_KEEPALIVE const char* pressling_archive_plan(const char* request) {
  const json asked = json::parse(request, nullptr, false);
  if (asked.is_discarded() || !asked.contains("archive") || !asked["archive"].is_string() ||
      !asked.contains("entries") || !asked["entries"].is_array())
    return Answer({{"error", "the archive plan's request does not read"}});
  const std::string archive = asked["archive"].get<std::string>();
  json entries = json::array();
  for (const json& name : asked["entries"]) {
    const std::string text = NameBytes(name);
    entries.push_back({{"database", IsDatabaseEntry(text)}, {"label", EntryLabel(archive, text)}});
  }
  return Answer({{"output_name", ArchiveOutputPathFor(archive)}, {"limit", kInflateLimit}, {"entries", entries}});
}

// The report of an archive run in the language of tag. request is
// {archive, archive_before, archive_after, refusal, entries: [{outcome,
// before, after}...], device}: refusal is null, "not-archive" or "failure";
// device is the target's name ("os4:2"), or null;
// archive_after is 0 while no archive was made. Answers {has_effect, lines,
// size_lines, entries: [{text, refused}...]}: the archive's four lines, its
// file's sizes, and for each entry the line that says why it was left as it
// was (empty for a converted one or one without effect).
EMSCRIPTEN_KEEPALIVE const char* pressling_archive_report(const char* request, const char* tag) {
  const Language language = Language::FromTag(tag);
  const json asked = json::parse(request, nullptr, false);
  if (asked.is_discarded() || !asked.is_object() || !asked.contains("entries") || !asked["entries"].is_array())
    return Answer({{"error", "the archive report's request does not read"}});

  std::vector<EntryFigures> figures;
  json texts = json::array();
  for (const json& entry : asked["entries"]) {
    EntryFigures one;
    one.outcome = OutcomeFrom(Field(entry, "outcome").is_string() ? Field(entry, "outcome").get<std::string>() : "");
    one.before = Count(Field(entry, "before"));
    one.after = Count(Field(entry, "after"));
    figures.push_back(one);
    texts.push_back({{"text", EntryOutcomeText(one.outcome, language)}, {"refused", IsRefusal(one.outcome)}});
  }
  ArchiveTotals totals = SumEntries(figures, Count(Field(asked, "archive_before")));
  totals.archiveAfter = Count(Field(asked, "archive_after"));

  const std::string refusal = Field(asked, "refusal").is_string() ? asked["refusal"].get<std::string>() : "";
  ArchiveEnd end = ArchiveEnd::Written;
  std::string refusalText;
  if (refusal == "not-archive") {
    end = ArchiveEnd::Refused;
    refusalText = NotArchiveText(language);
  } else if (!refusal.empty()) {
    end = ArchiveEnd::Failed;
    refusalText = ArchiveFailureText(language);
  } else if (!HasEffect(totals)) {
    end = ArchiveEnd::NoEffect;
  }
  const std::string archive = Field(asked, "archive").is_string() ? asked["archive"].get<std::string>() : "";
  std::vector<std::string> lines = ArchiveReportLines(archive, end, totals, refusalText, language);
  const auto device = Field(asked, "device").is_string() ? ParseDeviceTarget(asked["device"].get<std::string>())
                                                         : std::nullopt;
  if (device) lines.push_back(DeviceReportLine(*device, language));
  return Answer({{"has_effect", refusal.empty() && HasEffect(totals)},
                 {"refusal_text", refusalText},
                 {"lines", lines},
                 {"size_lines",
                  end == ArchiveEnd::Written ? ArchiveSizeLines(totals, language) : std::vector<std::string>()},
                 {"entries", texts}});
}

}  // extern "C"
