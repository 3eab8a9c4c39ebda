#pragma once

#include <string>
#include <vector>

#include "database/report_surface.h"

namespace pressling::web {

// The report as the window shows it once a run has ended: the lines printed
// since the surface was last erased, in order. The progress line is erased
// by the run itself before its report.
class ReportLines : public ReportSurface {
 public:
  const std::vector<std::string>& lines() const { return lines_; }

 protected:
  void EraseText() override { lines_.clear(); }
  void DrawText(const std::string& text, float, float) override { lines_.push_back(text); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace pressling::web
