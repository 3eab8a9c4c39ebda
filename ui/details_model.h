#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_run.h"
#include "bitmap/picture/bitmap_picture.h"
#include "database/conversion_run.h"
#include "language/language.h"

namespace pressling::ui {

// What a file looked like at one moment: enough to notice a later change.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};
  bool operator==(const FileStamp&) const = default;
};

// A run that has ended, with its files as the run left them.
struct FinishedRun {
  std::filesystem::path input;
  RunResult result;
  std::optional<FileStamp> inputStamp;   // absent when the input could not be seen
  std::optional<FileStamp> outputStamp;  // absent without a kept output
  std::optional<ArchiveResult> archive;  // the databases inside, when the input was an archive
};

// Takes the stamps of the run's input and output right after the run.
FinishedRun CaptureRun(std::filesystem::path input, RunResult result);
// The same for an archive; result keeps its outcome, detail and output path.
FinishedRun CaptureArchiveRun(std::filesystem::path input, ArchiveResult archive);

// One side of a row: the picture, or a short text saying why there is none.
struct DetailsPicture {
  std::optional<BitmapPicture> picture;
  std::string note;
};

// One bitmap of the run, as the details dialog lists it. Texts are UTF-8.
struct DetailsRow {
  std::string title;  // resource type and id, bitmap number in the family
  std::string shape;  // size, depth, density
  std::string bytes;  // bytes before → after, or what they would have become without an output
  std::string codec;  // codec the same way, or why the bitmap was left alone
  int scale = 1;      // 2 for low density, so both densities show at one size
  std::string group;  // the database inside an archive the bitmap belongs to; empty for a single database
  DetailsPicture before;
  DetailsPicture after;
};

struct Details {
  std::string heading;  // the input and output file names
  std::string message;  // what kept pictures from showing; empty when nothing did
  std::vector<DetailsRow> rows;
};

// Reads the run's input and its output as they are on disk now, once each
// (for an archive: each database inside), and renders every record's bitmap
// on both sides; an archive's rows come grouped by database. The texts are in
// language.
Details BuildDetails(const FinishedRun& run, const Language& language);

}  // namespace pressling::ui
