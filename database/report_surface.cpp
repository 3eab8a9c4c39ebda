#include "database/report_surface.h"

namespace pressling {

void ReportSurface::ClearReport() {
  EraseText();
  printX = 0;
  printY = 0;
}

void ReportSurface::SetPrintPosition(float x, float y) {
  printX = x;
  printY = y;
}

void ReportSurface::PrintLine(const std::string& text) {
  DrawText(text, printX, printY);
  printX = 0;
  printY += LineHeight();
}

}  // namespace pressling
