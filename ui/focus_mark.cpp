#include "ui/focus_mark.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>

#include "ui/window_surface.h"

namespace pressling::ui {
namespace {

constexpr int kGap = 2;  // pixels between the control and its mark

}  // namespace

FocusMark::FocusMark(QWidget& window) : QObject(&window), window_(window) { window_.installEventFilter(this); }

void FocusMark::Watch(QWidget& control) {
  controls_.emplace_back(&control);
  control.installEventFilter(this);
}

QRect FocusMark::Area() const {
  if (!keyboard_) return {};
  for (const QPointer<QWidget>& control : controls_) {
    if (control && control->isVisible() && control->hasFocus())
      return control->geometry().adjusted(-kGap, -kGap, kGap, kGap);
  }
  return {};
}

void FocusMark::Paint(QPainter& painter) const {
  const QRect area = Area();
  if (area.isEmpty()) return;
  painter.save();
  QPen pen(ReportTextColour(window_), 1, Qt::DotLine);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // A one-pixel pen at integer corners covers the area's outermost pixels.
  painter.drawRect(area.adjusted(0, 0, -1, -1));
  painter.restore();
}

bool FocusMark::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
      if (!keyboard_) {
        keyboard_ = true;
        Refresh();
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (keyboard_) {
        keyboard_ = false;
        Refresh();
      }
      break;
    case QEvent::FocusIn: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
        keyboard_ = true;
      Refresh();
      break;
    }
    case QEvent::FocusOut:
    case QEvent::Hide:
      Refresh();
      break;
    default:
      break;
  }
  return false;
}

void FocusMark::Refresh() {
  const QRect now = Area();
  if (now == shown_) return;
  if (!shown_.isEmpty()) window_.update(shown_);
  if (!now.isEmpty()) window_.update(now);
  shown_ = now;
}

}  // namespace pressling::ui
