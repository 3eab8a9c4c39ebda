#include "cli/ordered_report.h"

#include <cstdio>

namespace pressling::cli {

OrderedReport::OrderedReport(std::size_t files, StatusLine& status) : pending_(files), status_(status) {}

void OrderedReport::PrintLine(std::size_t file, const std::string& line) {
  std::lock_guard lock(mutex_);
  if (file == next_) WriteLine(line);
  else pending_[file].lines.push_back(line);
}

void OrderedReport::Finish(std::size_t file, const std::string& message) {
  std::lock_guard lock(mutex_);
  pending_[file].message = message;
  pending_[file].finished = true;
  if (file == next_) Release();
}

void OrderedReport::WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Writes what waited behind the first unfinished file, up to the next one.
void OrderedReport::Release() {
  while (next_ < pending_.size()) {
    Pending& file = pending_[next_];
    for (const std::string& line : file.lines) WriteLine(line);
    file.lines = {};
    if (!file.finished) return;
    if (!file.message.empty()) status_.Message(file.message);
    file.message = {};
    ++next_;
  }
}

}  // namespace pressling::cli
