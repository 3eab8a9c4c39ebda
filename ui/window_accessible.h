#pragma once

#include <QAccessibleWidget>

namespace pressling::ui {

class Form1;
class LinkLabel;

// Form1 for assistive technology: a frame whose children are, in reading
// order, the folder button, the report and the link (Text1 is never seen and
// is left out), and which is busy while a run goes on.
class WindowAccessible : public QAccessibleWidget {
 public:
  explicit WindowAccessible(Form1* form);

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessible::State state() const override;

 private:
  QList<QObject*> Children() const;
};

// Label3 for assistive technology: a link, pressed like a click, visited once
// the address was opened.
class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(LinkLabel* label);

  QAccessible::State state() const override;
  QStringList actionNames() const override;
  void doAction(const QString& action) override;
  QStringList keyBindingsForAction(const QString& action) const override;
};

// Makes Form1, its report area and its link known to Qt's accessibility
// under the interfaces above; once per program, before the first window.
void InstallWindowAccessibility();

}  // namespace pressling::ui
