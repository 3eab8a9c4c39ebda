#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "database/conversion_run.h"
#include "language/language.h"
#include "ui/details_model.h"
#include "ui/window_surface.h"

class QAction;
class QActionGroup;
class QFileDialog;
class QLineEdit;
class QMenu;

namespace pressling::ui {

class DetailsDialog;
class FocusMark;
class LinkLabel;
class ReportArea;

// Runs one conversion; ConvertDatabase unless a test replaces it.
using Converter = std::function<RunResult(const std::string& path, ReportSurface& surface, const EventPass& eventPass,
                                          const ConversionOptions& options)>;

// The tool's only window: the background picture with its report panel, the
// report printed into it, the home-page link, the folder picture that opens a
// file dialog, the context menu with the thorough mode, the device target and
// the last run's details, and the drop target that starts a conversion run.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  static constexpr char kCaption[] = "Dorv's Pressling V0.91";
  // Where the folder picture lies in the background, in pixels.
  static constexpr QRect kFolderPicture{42, 36, 68, 74};
  // Where the report panel lies in the background, border included, in pixels.
  static constexpr QRect kReportPanel{156, 12, 195, 113};

  // Every text of the window, and the report of each run, in language.
  explicit Form1(const Language& language, QWidget* parent = nullptr);
  // Japanese, the language of a window nobody chose one for.
  explicit Form1(QWidget* parent = nullptr) : Form1(Language(), parent) {}

  const Language& language() const { return language_; }

  WindowSurface& Surface() { return surface_; }
  LinkLabel& Label3() { return *label3_; }
  // The checkable context-menu entry; a run uses its state at the moment the
  // run was asked for.
  QAction& ThoroughAction() { return *thorough_; }
  // The radio entries of the "Device" submenu: "Any device" first, then one
  // per target in the order of DeviceTargets(). While a target is chosen the
  // thorough entry shows checked and cannot be changed.
  QList<QAction*> DeviceActions() const;
  QMenu& DeviceMenu() { return *deviceMenu_; }
  // The target chosen in the submenu; none for "Any device".
  std::optional<DeviceTarget> ChosenDevice() const;
  // The context-menu entry that opens the details; enabled once a run has ended.
  QAction& DetailsAction() { return *details_; }
  // True from the moment a file is accepted until its run has returned.
  bool IsBusy() const { return busy_; }

  // Converts path as if it had been dropped. False, and nothing happens,
  // while a run is going on.
  bool StartRun(const QString& path);
  // Opens the file dialog, in the folder of the last file; the file chosen
  // there goes to StartRun. Nothing happens while a run is going on.
  void ShowOpenDialog();
  void SetConverter(Converter converter) { converter_ = std::move(converter); }
  // Opens the details of the last run that ended, read from its files as they
  // are now, replacing a details dialog still open; null before the first run.
  DetailsDialog* ShowDetails();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RunConversion(const QString& path, const ConversionOptions& options);
  // Sets busy_ and tells assistive technology.
  void SetBusy(bool busy);
  // Opens the context menu at at (global); from the keyboard with its first entry selected.
  void ShowContextMenu(const QPoint& at, bool fromKeyboard);
  // Opens it under the control that has the keyboard focus.
  void ShowContextMenuAtFocus();
  void AddDeviceMenu();
  void ShowDeviceChoice();

  Language language_;
  WindowSurface surface_;
  QPixmap background_;
  LinkLabel* label3_;
  QLineEdit* text1_;
  QAction* thorough_;
  QAction* details_;
  QMenu* deviceMenu_;
  QActionGroup* devices_;
  bool thoroughChosen_ = false;  // the thorough entry as the user left it, shown again with "Any device"
  QMenu* contextMenu_;
  ReportArea* report_;
  FocusMark* focusMark_;
  QPointer<QFileDialog> openDialog_;
  QPointer<DetailsDialog> detailsDialog_;
  std::optional<FinishedRun> lastRun_;
  QString lastFolder_;
  Converter converter_ = ConvertDatabase;
  bool busy_ = false;
  bool closeRequested_ = false;
};

}  // namespace pressling::ui
