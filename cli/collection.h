#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "language/message.h"

namespace pressling::cli {

// One database or archive to convert, named on the command line or found in a folder.
struct Input {
  std::string path;                  // as given, or the folder argument joined with the path below it
  std::filesystem::path outputPath;  // with an output folder: where the output goes; else empty
  std::string refusal;               // why it is refused before any run, in English; empty when it runs
  Message refusalText;               // the same, to show in the user's language
};

struct Collection {
  std::vector<Input> inputs;        // in the order given, a folder's files in sorted order
  std::vector<std::string> errors;  // about arguments and folders, each naming the path and the fault, in English
  std::vector<Message> errorTexts;  // the same, to show in the user's language
};

// Expands the command-line arguments. A folder argument stands for every
// "*.prc" and "*.zip" file below it in any letter case, found in name order
// folder by folder without following symbolic links to folders; files named
// "*_comp.prc" or "*_comp.zip" there are earlier outputs and skipped, as are names that are
// no valid UTF-8 (refused). With outputDir each output goes there, at the
// input's path below its folder argument, or straight in for a file given
// directly; when outputDir lies below a folder argument, the walk leaves it
// out. A file whose output would replace an input of the same run is refused,
// as is the second of two inputs whose outputs would be one file.
Collection Collect(const std::vector<std::string>& arguments, const std::filesystem::path& outputDir);

}  // namespace pressling::cli
