#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "cli/status_line.h"

namespace pressling::cli {

// The report lines of conversions that run at the same time, printed to
// standard output so that each file's lines come out together and in the
// order of the files, as if they ran one after another: the lines of the
// first unfinished file go out at once, later files' lines wait for it. Each
// file's message for standard error follows its lines. Safe to use from
// several threads.
class OrderedReport {
 public:
  OrderedReport(std::size_t files, StatusLine& status);

  void PrintLine(std::size_t file, const std::string& line);
  // Ends file's report; message, when not empty, goes to standard error.
  void Finish(std::size_t file, const std::string& message);

 private:
  struct Pending {
    std::vector<std::string> lines;
    std::string message;
    bool finished = false;
  };

  void WriteLine(const std::string& line);
  void Release();

  std::mutex mutex_;
  std::vector<Pending> pending_;
  std::size_t next_ = 0;  // the file whose lines go out at once
  StatusLine& status_;
};

}  // namespace pressling::cli
