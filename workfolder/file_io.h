#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "workfolder/folder_handle.h"
#include "workfolder/result.h"

namespace pressling {

// Every file operation of a run goes through these few POSIX wrappers, so each
// failure carries the path and the system's reason.

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path);
// Appends the file name in folder to bytes; an error unless it holds exactly
// length bytes. Reads once, for one byte more than length: on a regular file
// a shorter read only happens at its end.
Result<void> AppendFileOfLength(const FolderHandle& folder, const std::string& name, std::uint64_t length,
                                std::vector<std::uint8_t>& bytes);
// Creates or empties path and writes bytes to it; a file that could not be
// written completely is removed again.
Result<void> WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
Result<void> RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
Result<void> RemoveFile(const std::filesystem::path& path);

// A file opened read-only and read strictly from front to back.
class InputFile {
 public:
  static Result<InputFile> Open(const std::filesystem::path& path);
  static Result<InputFile> OpenAt(const FolderHandle& folder, const std::string& name);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  ~InputFile();

  // The length when opened, taken from the open descriptor.
  std::uint64_t length() const { return length_; }
  const std::filesystem::path& path() const { return path_; }
  // Fills into completely; a file that ends first is an error.
  Result<void> Read(std::span<std::uint8_t> into);

 private:
  InputFile(int fd, std::filesystem::path path, std::uint64_t length);
  // Takes over the open fd when it is a regular file; closes it otherwise.
  static Result<InputFile> Adopt(int fd, const std::filesystem::path& path);
  int fd_ = -1;
  std::filesystem::path path_;
  std::uint64_t length_ = 0;
};

// A file written from its first byte on. Until Commit() succeeds the file is
// unfinished: destroying it then closes and removes it.
class OutputFile {
 public:
  // Creates path, or empties an existing file of that name.
  static Result<OutputFile> Create(const std::filesystem::path& path);
  static Result<OutputFile> CreateAt(const FolderHandle& folder, const std::string& name);
  // Creates a new file with a unique name in directory, starting with prefix;
  // its permissions are those of an ordinary new file.
  static Result<OutputFile> CreateUnique(const std::filesystem::path& directory, const std::string& prefix);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  ~OutputFile();

  const std::filesystem::path& path() const { return path_; }
  std::uint64_t length() const { return length_; }
  Result<void> Append(std::span<const std::uint8_t> bytes);
  // Closes the file; it then stays.
  Result<void> Commit();
  // Flushes the data to the disk first: for files that belong to the user.
  Result<void> CommitDurably();

 private:
  OutputFile(int fd, std::filesystem::path path);
  void Discard();
  int fd_ = -1;
  std::filesystem::path path_;
  std::uint64_t length_ = 0;
};

}  // namespace pressling
