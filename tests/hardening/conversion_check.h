#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "database/report_surface.h"

// The checks behind the fuzz targets and their regression replay. Each returns
// an empty text when the code under test behaved correctly, else what went wrong.

namespace pressling::hardening {

// Keeps the lines printed since the last clear.
class CapturingSurface : public ReportSurface {
 public:
  std::vector<std::string> lines;

 protected:
  void EraseText() override { lines.clear(); }
  void DrawText(const std::string& text, float, float) override { lines.push_back(text); }
};

// Runs ConvertDatabase on a database file holding input, in a folder of this
// process with TMPDIR pointed at a folder of its own. Either the run was
// refused with the right message and left nothing behind, or the output holds
// the same resources in the same order, every "Tbmp" packed where it pays and
// decoding to the same pixels, every other resource identical; the input never
// changes and no private directory remains. The run makes exactly the event
// passes its steps call for; every fifth input asks it to stop at one of them,
// and it must then leave nothing behind. A run started from its first event
// pass must not start. Then runs thorough mode on the same file, and the
// same again for a device target picked by the input's length
// (CheckThoroughRun in the source).
std::string CheckConvertCase(std::span<const std::uint8_t> input);

// input[0] picks the event pass that asks the rewrite to stop (0: none); the
// rest is a "Tbmp" piece. Checks IsSupportedFamily against the family rules
// and CompressBitmapFamily's rewrite of the piece file and its scratch file,
// and the thorough rewrite of the same piece, also for the device target
// input[0] picks (thorough_check.h).
std::string CheckFamilyCase(std::span<const std::uint8_t> input);

// Empty when output is the correct conversion of the accepted database input.
std::string CheckConvertedOutput(std::span<const std::uint8_t> input, std::span<const std::uint8_t> output);

// The length the conversion of an accepted database must have.
std::size_t ExpectedOutputLength(std::span<const std::uint8_t> input);

}  // namespace pressling::hardening
