#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace pressling::cli {

// Standard error while many files are converted. When it is a terminal and
// progress is on, the last line shows "[finished/total] name" of the file
// started last, redrawn in place; messages go above it. Safe to use from
// several threads.
class StatusLine {
 public:
  StatusLine(bool showProgress, std::size_t total);

  void Started(const std::string& name);
  void Finished();
  // Writes line and a line end.
  void Message(const std::string& line);
  // Removes the progress line for good, before the last lines.
  void Close();

 private:
  void Erase();
  void Draw();

  std::mutex mutex_;
  bool show_;
  std::size_t total_;
  std::size_t finished_ = 0;
  std::string current_;
  std::size_t columns_;
  bool drawn_ = false;
};

// text with control characters and bytes that are no UTF-8 shown as "?", cut
// from the front with "…" to at most columns terminal columns (a character
// from U+1000 on counts as two, near enough for Japanese names).
std::string FitToColumns(const std::string& text, std::size_t columns);

}  // namespace pressling::cli
