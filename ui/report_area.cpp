#include "ui/report_area.h"

#include <QAccessible>
#include <QWidget>
#include <utility>

namespace pressling::ui {

ReportArea::ReportArea(QWidget& owner, QRect area, QString name, std::function<QString()> text)
    : QObject(&owner), owner_(owner), area_(area), name_(std::move(name)), text_(std::move(text)) {
  setObjectName(QStringLiteral("ReportArea"));
}

void ReportArea::Changed() {
  const QString now = Text();
  if (now == announced_) return;
  const QString before = std::exchange(announced_, now);
  // Nothing is built or sent while no assistive technology listens.
  if (!QAccessible::isActive()) return;
  if (before.isEmpty() || now.startsWith(before)) {
    QAccessibleTextInsertEvent inserted(this, static_cast<int>(before.size()), now.mid(before.size()));
    QAccessible::updateAccessibility(&inserted);
  } else if (now.isEmpty()) {
    QAccessibleTextRemoveEvent removed(this, 0, before);
    QAccessible::updateAccessibility(&removed);
  } else {
    QAccessibleTextUpdateEvent updated(this, 0, before, now);
    QAccessible::updateAccessibility(&updated);
  }
}

ReportAccessible::ReportAccessible(ReportArea* area) : QAccessibleObject(area) {}

QAccessibleInterface* ReportAccessible::parent() const { return QAccessible::queryAccessibleInterface(&area()->owner()); }

QString ReportAccessible::text(QAccessible::Text kind) const {
  switch (kind) {
    case QAccessible::Name:
      return area()->name();
    case QAccessible::Value:
      return area()->Text();
    default:
      return {};
  }
}

QAccessible::State ReportAccessible::state() const {
  QAccessible::State state;
  state.readOnly = true;
  state.multiLine = true;
  state.invisible = !area()->owner().isVisible();
  return state;
}

QRect ReportAccessible::rect() const {
  const QWidget& owner = area()->owner();
  return QRect(owner.mapToGlobal(area()->area().topLeft()), area()->area().size());
}

void* ReportAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return nullptr;
}

QString ReportAccessible::text(int startOffset, int endOffset) const {
  const QString all = area()->Text();
  startOffset = qBound(0, startOffset, static_cast<int>(all.size()));
  endOffset = endOffset < 0 ? static_cast<int>(all.size()) : qBound(startOffset, endOffset, static_cast<int>(all.size()));
  return all.mid(startOffset, endOffset - startOffset);
}

int ReportAccessible::characterCount() const { return static_cast<int>(area()->Text().size()); }

QString ReportAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  // One run of plain text without attributes.
  *startOffset = offset < 0 ? -1 : 0;
  *endOffset = offset < 0 ? -1 : characterCount();
  return {};
}

}  // namespace pressling::ui
