#pragma once

#include <QAccessibleObject>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

namespace pressling::ui {

// The painted report as one object for assistive technology: it draws
// nothing, it names where the report lies and what it says. Its text comes
// from a function (the lines the window surface holds), so whoever paints the
// lines decides the text alone.
class ReportArea : public QObject {
  Q_OBJECT

 public:
  // area: the report panel in owner's pixels; name: what the panel is called,
  // in the user's language; text: the report as shown, one line per report line.
  ReportArea(QWidget& owner, QRect area, QString name, std::function<QString()> text);

  QWidget& owner() const { return owner_; }
  QRect area() const { return area_; }
  const QString& name() const { return name_; }
  QString Text() const { return text_(); }
  // Tells assistive technology how the text changed since the last call: a
  // text-inserted event when lines were added, text-removed when it was
  // cleared, text-updated otherwise.
  void Changed();

 private:
  QWidget& owner_;
  QRect area_;
  QString name_;
  std::function<QString()> text_;
  QString announced_;  // the text as assistive technology was last told
};

// ReportArea's accessible interface: a read-only multi-line text.
class ReportAccessible : public QAccessibleObject, public QAccessibleTextInterface {
 public:
  explicit ReportAccessible(ReportArea* area);

  QAccessibleInterface* parent() const override;
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text kind) const override;
  QAccessible::Role role() const override { return QAccessible::EditableText; }
  QAccessible::State state() const override;
  QRect rect() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // Nothing can be selected and there is no caret; offsets count UTF-16 units.
  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  ReportArea* area() const { return static_cast<ReportArea*>(object()); }
};

}  // namespace pressling::ui
