#pragma once

#include <span>
#include <string>

#include "bitmap/picture/bitmap_record.h"
#include "language/language.h"

namespace pressling {

// The JSON text of a run's bitmap records for the page: an array of
// RecordJson(record, language), each record left alone with one more key,
// "reasons", its reason in every language of languages ({tag: text}). The
// same text as building that array with nlohmann's JSON and dumping it
// compactly with invalid UTF-8 replaced, written straight instead: a database
// of thousands of bitmaps otherwise spends a third of its run on the page
// building and dumping the document.
std::string RecordsJsonText(std::span<const BitmapRecord> records, const Language& language,
                            std::span<const Language> languages);

}  // namespace pressling
