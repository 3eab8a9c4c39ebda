#pragma once

#include <QPixmap>
#include <QWidget>

#include "ui/window_surface.h"

class QLineEdit;

namespace pressling::ui {

class LinkLabel;

// The tool's only window: the background picture with its report panel, the
// report printed into it, the home-page link, and the drop target that starts
// a conversion run.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  static constexpr char kCaption[] = "Dorv's Pressling V0.91";

  explicit Form1(QWidget* parent = nullptr);

  WindowSurface& Surface() { return surface_; }
  LinkLabel& Label3() { return *label3_; }
  // True from the moment a drop is accepted until its run has returned.
  bool IsBusy() const { return busy_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void RunConversion(const QString& path);

  WindowSurface surface_;
  QPixmap background_;
  LinkLabel* label3_;
  QLineEdit* text1_;
  bool busy_ = false;
  bool closeRequested_ = false;
};

}  // namespace pressling::ui
