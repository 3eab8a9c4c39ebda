#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

class QPainter;
class QWidget;

namespace pressling::ui {

// The mark around the window's control that has the keyboard focus: a dotted
// frame two pixels outside the control, drawn by the window. It shows only
// while the keyboard is in use (from a key press until a mouse press), so the
// window keeps its look for whoever uses the mouse.
class FocusMark : public QObject {
 public:
  explicit FocusMark(QWidget& window);

  // Marks control while it has the focus; watches its keys and clicks.
  void Watch(QWidget& control);
  // Where the mark lies in the window; empty while no mark shows.
  QRect Area() const;
  // Draws the mark; called from the window's paint event.
  void Paint(QPainter& painter) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Repaints where the mark was and where it is now.
  void Refresh();

  QWidget& window_;
  std::vector<QPointer<QWidget>> controls_;
  bool keyboard_ = false;  // the last input was a key
  QRect shown_;            // the area last painted
};

}  // namespace pressling::ui
