#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <vector>

#include "database/report_surface.h"

class QPainter;
class QWidget;

namespace pressling::ui {

// The owner's window-text colour, or black where that colour is too light to
// read on the report's white ground.
QColor ReportTextColour(const QWidget& owner);

// The report area of a window: the lines printed since the last ClearReport
// are kept and drawn again on every repaint, so a report stays readable after
// the window was covered.
class WindowSurface : public ReportSurface {
 public:
  struct Line {
    QString text;  // as printed, NUL characters removed
    float x;       // left edge, twips
    float y;       // top, twips
  };

  // Draws in owner's font and ReportTextColour and asks owner to repaint on
  // every change.
  explicit WindowSurface(QWidget& owner);

  const std::vector<Line>& lines() const { return lines_; }
  // Every kept line in full, in print order, one per line: what the window
  // says where it paints the report, for assistive technology.
  QString ShownText() const;
  // Called after every change of the kept lines.
  void SetChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
  // Draws every kept line with a transparent background; called from the
  // owner's paint event.
  void Paint(QPainter& painter) const;

 protected:
  void EraseText() override;
  void DrawText(const std::string& text, float x, float y) override;

 private:
  QWidget& owner_;
  std::vector<Line> lines_;
  std::function<void()> changed_;
};

}  // namespace pressling::ui
