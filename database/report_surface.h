#pragma once

#include <string>

namespace pressling {

// The text area a conversion run prints into. Positions are in twips
// (1/1440 inch) from the surface's top-left corner; texts are UTF-8.
class ReportSurface {
 public:
  virtual ~ReportSurface() = default;

  float printX = 0;
  float printY = 0;

  // Erases everything printed and moves the position to (0, 0).
  void ClearReport();
  void SetPrintPosition(float x, float y);
  // Draws text with its left edge at printX and its top at printY, then moves
  // to the start of the next line: printX = 0, printY += LineHeight().
  void PrintLine(const std::string& text);

  // One line of the surface's font: 180 twips for a 9-point face.
  virtual float LineHeight() const { return 180; }

 protected:
  virtual void EraseText() = 0;
  virtual void DrawText(const std::string& text, float x, float y) = 0;
};

}  // namespace pressling
