#include "ui/window_accessible.h"

#include <QAccessible>
#include <QKeySequence>

#include "ui/form1.h"
#include "ui/link_label.h"
#include "ui/report_area.h"

namespace pressling::ui {
namespace {

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* form = qobject_cast<Form1*>(object)) return new WindowAccessible(form);
  if (auto* area = qobject_cast<ReportArea*>(object)) return new ReportAccessible(area);
  if (auto* label = qobject_cast<LinkLabel*>(object)) return new LinkAccessible(label);
  return nullptr;
}

}  // namespace

WindowAccessible::WindowAccessible(Form1* form) : QAccessibleWidget(form, QAccessible::Window) {}

QList<QObject*> WindowAccessible::Children() const {
  QList<QObject*> children;
  for (const char* name : {"FolderButton", "ReportArea", "Label3"}) {
    if (QObject* child = object()->findChild<QObject*>(QLatin1String(name), Qt::FindDirectChildrenOnly))
      children.push_back(child);
  }
  return children;
}

int WindowAccessible::childCount() const { return static_cast<int>(Children().size()); }

QAccessibleInterface* WindowAccessible::child(int index) const {
  const QList<QObject*> children = Children();
  if (index < 0 || index >= children.size()) return nullptr;
  return QAccessible::queryAccessibleInterface(children[index]);
}

int WindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (child == nullptr) return -1;
  return static_cast<int>(Children().indexOf(child->object()));
}

QAccessible::State WindowAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.busy = static_cast<Form1*>(widget())->IsBusy();
  return state;
}

LinkAccessible::LinkAccessible(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

QAccessible::State LinkAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.traversed = static_cast<LinkLabel*>(widget())->TextColour() == QColor::fromRgb(LinkLabel::kVisitedColour);
  return state;
}

QStringList LinkAccessible::actionNames() const {
  return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void LinkAccessible::doAction(const QString& action) {
  if (action == pressAction()) static_cast<LinkLabel*>(widget())->Activate();
  else QAccessibleWidget::doAction(action);
}

QStringList LinkAccessible::keyBindingsForAction(const QString& action) const {
  if (action == pressAction()) return {QKeySequence(Qt::Key_Return).toString(QKeySequence::NativeText)};
  return QAccessibleWidget::keyBindingsForAction(action);
}

void InstallWindowAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace pressling::ui
