#pragma once

#include <filesystem>

#include "workfolder/result.h"

namespace pressling {

// The three operations on the work folder that holds a run's piece files.

// True when a folder exists at path; false for a missing path or a file.
bool WorkFolderExists(const std::filesystem::path& path);
// Creates the folder; fails when anything of that name exists.
Result<void> CreateWorkFolder(const std::filesystem::path& path);
// Removes the folder with all files and subfolders in it, read-only ones included.
Result<void> DeleteWorkFolder(const std::filesystem::path& path);

}  // namespace pressling
