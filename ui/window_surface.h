#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
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
    QString text;   // as printed, NUL characters removed
    QString shown;  // as drawn: FitLine(text, x)
    float x;        // left edge, twips
    float y;        // top, twips
  };

  // The report panel of the background picture, its border included, in the
  // picture's pixels, which do not scale with the screen.
  static constexpr QRect kPanel{156, 12, 195, 113};
  // The first column of the panel's right border, its blended edge included:
  // every line ends at or before it.
  static constexpr int kPanelInnerRight = 348;

  // Draws in owner's font and ReportTextColour and asks owner to repaint on
  // every change. With plainApostrophe, a typographic apostrophe is drawn as
  // the plain one: the Japanese gothic face gives U+2019 a full-width cell,
  // a gap in the middle of a French word.
  explicit WindowSurface(QWidget& owner, bool plainApostrophe = false);

  const std::vector<Line>& lines() const { return lines_; }
  // Every kept line in full, as printed, in print order: for the panel's tool
  // tip and for what assistive technology reads.
  QStringList FullLines() const;
  // text as drawn with its left edge at x twips: measured in the owner's font
  // and, where it would pass the panel's inner edge, cut at the end to what
  // fits with "…" after it, never in the middle of a letter.
  QString FitLine(const QString& text, float x) const;
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
  bool plainApostrophe_;
  std::vector<Line> lines_;
  std::function<void()> changed_;
};

}  // namespace pressling::ui
