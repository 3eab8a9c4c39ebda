// The page's records text, written straight, against the document built with
// nlohmann's JSON and dumped: the same bytes, for the records of real runs
// and for records whose strings need escaping or replacing.
#include <gtest/gtest.h>

#include "bitmap/device/device_target.h"
#include "database/conversion_run.h"
#include "json/record_json.h"
#include "json/records_text.h"
#include "tests/common/corpus.h"

namespace pressling {
namespace {

using json = nlohmann::ordered_json;

class SilentSurface : public ReportSurface {
 protected:
  void EraseText() override {}
  void DrawText(const std::string&, float, float) override {}
};

std::vector<Language> EveryLanguage() {
  std::vector<Language> languages;
  for (const std::string& tag : Language::Tags()) languages.push_back(Language::FromTag(tag));
  return languages;
}

// The records as a document: RecordJson of each, and the reason of each left
// alone in every language.
std::string Dumped(const std::vector<BitmapRecord>& records, const Language& language) {
  json all = json::array();
  for (const BitmapRecord& record : records) {
    json described = RecordJson(record, language);
    if (!record.after) {
      json reasons = json::object();
      for (const Language& shown : EveryLanguage()) reasons[shown.tag()] = LeftAloneText(record, shown);
      described["reasons"] = std::move(reasons);
    }
    all.push_back(std::move(described));
  }
  return all.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Classic, thorough, and for a 4-grey device, whose dropped bitmaps have no output offset.
TEST(RecordsTextTest, RecordsOfEveryCorpusRunInEveryModeAsDumped) {
  PRESSLING_REQUIRE_CORPUS();
  const std::vector<Language> languages = EveryLanguage();
  std::size_t records = 0;
  std::size_t dropped = 0;
  for (const auto& path : test::CorpusDatabases()) {
    SCOPED_TRACE(path.filename().string());
    for (const char* mode : {"classic", "thorough", "os4:2"}) {
      SilentSurface surface;
      ConversionOptions options;
      options.bitmapMode = std::string_view(mode) == "classic" ? BitmapMode::Classic : BitmapMode::Thorough;
      options.device = ParseDeviceTarget(mode);
      options.dryRun = true;
      options.language = Language::FromTag(options.bitmapMode == BitmapMode::Classic ? "ja" : "de");
      const RunResult result = ConvertDatabase(path.string(), surface, {}, options);
      ASSERT_EQ(RecordsJsonText(result.bitmaps, options.language, languages), Dumped(result.bitmaps, options.language));
      records += result.bitmaps.size();
      for (const BitmapRecord& record : result.bitmaps) dropped += record.dropped;
    }
  }
  EXPECT_GT(records, 1000u);
  EXPECT_GT(dropped, 100u);
}

TEST(RecordsTextTest, StringsThatNeedEscapingAsDumped) {
  std::vector<BitmapRecord> records(4);
  // A type of bytes that are no printable ASCII, written as \xNN.
  records[0].resourceType = {0x00, 'b', 0xFF, '"'};
  records[0].resourceId = 65535;
  records[0].resourceIndex = 4294967295u;
  records[0].transparent = 0xFFFF;
  records[0].leftAlone = "no codec makes it smaller";
  records[0].leftAloneCode = "no-gain";
  // Rewritten: no reason.
  records[1].resourceType = {'T', 'b', 'm', 'p'};
  records[1].after = BitmapForm{BitmapCompression::PackBits, 12};
  records[1].colorTable = true;
  records[1].directColor = true;
  // A family left as it was: the fault holds a quote, a backslash, a line
  // break, a tab and bytes that are no UTF-8.
  records[2].resourceType = {'t', 'A', 'I', 'B'};
  records[2].leftAlone = std::string(kFamilyLeftAsItWas) + "fault";
  records[2].leftAloneCode = "fault";
  records[2].fault = Message(std::string("a \"name\" \\ in\nline\t\xC3\x28 \xFF end"));
  // The same reason again, told from the first by nothing but its place.
  records[3] = records[0];
  records[3].familyIndex = 1;
  const std::vector<Language> languages = EveryLanguage();
  for (const Language& language : languages) {
    SCOPED_TRACE(language.tag());
    EXPECT_EQ(RecordsJsonText(records, language, languages), Dumped(records, language));
  }
  EXPECT_EQ(RecordsJsonText({}, Language(), languages), "[]");
}

}  // namespace
}  // namespace pressling
