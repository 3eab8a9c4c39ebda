#include "ui/form1.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QToolTip>
#include <QUrl>

#include "archive/archive_run.h"
#include "database/conversion_run.h"
#include "ui/details_dialog.h"
#include "ui/focus_mark.h"
#include "ui/link_label.h"
#include "ui/report_area.h"
#include "ui/twips.h"
#include "ui/window_accessible.h"

namespace pressling::ui {
namespace {

// A Japanese gothic face, the Windows one where it exists: it draws the
// Japanese report and the Latin letters of the other languages alike.
QString GothicFamily() {
  // The family names of that face, Japanese and English (not texts a person reads).
  for (const char* family : {"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF", "MS Gothic"}) {
    QString name = QString::fromUtf8(family);
    if (QFontDatabase::hasFamily(name)) return name;
  }
  return QStringLiteral("IPAGothic");
}

// The first local file of a drop, or an empty string when it carries none.
QString FirstLocalFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
  }
  return {};
}

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addFile(QStringLiteral(":/artwork/icon-%1.png").arg(size), QSize(size, size));
  return icon;
}

// A clickable part of the background picture: it draws nothing itself. Space
// presses it as on any button, and so does Enter.
class PictureButton : public QAbstractButton {
 public:
  using QAbstractButton::QAbstractButton;

 protected:
  void paintEvent(QPaintEvent*) override {}
  void keyPressEvent(QKeyEvent* event) override {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
      event->accept();
      click();
      return;
    }
    QAbstractButton::keyPressEvent(event);
  }
};

}  // namespace

Form1::Form1(const Language& language, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      language_(language),
      // Only the Japanese window keeps the gothic face's own apostrophe.
      surface_(*this, language.tag() != "ja"),
      background_(QStringLiteral(":/artwork/background.bmp")) {
  InstallWindowAccessibility();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(kCaption));
  setWindowIcon(ApplicationIcon());
  setFont(QFont(GothicFamily(), 9));
  setFixedSize(TwipsToSize(5745, 3165, *this));
  setAcceptDrops(true);
  setAttribute(Qt::WA_OpaquePaintEvent);  // paintEvent covers every pixel

  label3_ = new LinkLabel(this);
  label3_->move(TwipsToRect(2505, 2640, 2565, 225, *this).topLeft());

  // Text1 lies below the client area and is never seen. It takes no focus:
  // the keyboard goes to the folder button and the link instead.
  text1_ = new QLineEdit(QStringLiteral("Text1"), this);
  text1_->setObjectName(QStringLiteral("Text1"));
  QFont textFont(GothicFamily());
  textFont.setPointSizeF(8.25);
  text1_->setFont(textFont);
  text1_->setGeometry(TwipsToRect(240, 7080, 1935, 255, *this));
  text1_->setFocusPolicy(Qt::NoFocus);

  auto* folder = new PictureButton(this);
  folder->setObjectName(QStringLiteral("FolderButton"));
  folder->setGeometry(kFolderPicture);
  // Reached with Tab, not taken by a click: the mouse leaves the focus mark alone.
  folder->setFocusPolicy(Qt::TabFocus);
  folder->setCursor(HandCursor());
  folder->setToolTip(Text(language_.Tr("Choose a PRC file to compress (Ctrl+O)")));
  folder->setAccessibleName(Text(language_.Tr("Choose a .prc or .zip file…")));
  connect(folder, &QAbstractButton::clicked, this, &Form1::ShowOpenDialog);
  // Tab order: the folder button, then the link.
  setTabOrder(folder, label3_);
  folder->setFocus();
  label3_->setAccessibleName(Text(language_.Tr("Home page")));
  label3_->setAccessibleDescription(QString::fromLatin1(HomePageAddress));
  setAccessibleDescription(
      Text(language_.Tr("Makes Palm OS programs smaller: drop a .prc or .zip file here or choose one with the "
                        "folder button; the report appears in the yellow panel.")));
  report_ = new ReportArea(*this, kReportPanel, Text(language_.Tr("Report")), [this] { return surface_.FullLines().join(QLatin1Char('\n')); });
  surface_.SetChangeListener([this] { report_->Changed(); });
  focusMark_ = new FocusMark(*this);
  focusMark_->Watch(*folder);
  focusMark_->Watch(*label3_);

  auto* open = new QShortcut(this);
  QList<QKeySequence> openKeys = QKeySequence::keyBindings(QKeySequence::Open);
  if (!openKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_O))) openKeys.push_back(QKeySequence(Qt::CTRL | Qt::Key_O));
  open->setKeys(openKeys);
  connect(open, &QShortcut::activated, this, &Form1::ShowOpenDialog);

  // The window keeps no settings: thorough compression is off at every start.
  thorough_ = new QAction(Text(language_.TrC("window menu", "&Thorough compression")), this);
  thorough_->setCheckable(true);
  const QString thoroughTip =
      Text(language_.Tr("Compresses every bitmap and icon with the codecs of Palm OS itself"));
  thorough_->setToolTip(thoroughTip);
  thorough_->setStatusTip(thoroughTip);
  contextMenu_ = new QMenu(this);
  contextMenu_->setToolTipsVisible(true);
  contextMenu_->addAction(thorough_);
  connect(thorough_, &QAction::triggered, this, [this](bool checked) { thoroughChosen_ = checked; });
  AddDeviceMenu();
  details_ = new QAction(Text(language_.TrC("window menu", "&Details…")), this);
  details_->setEnabled(false);
  const QString detailsTip =
      Text(language_.Tr("Shows each bitmap of the last run with its picture before and after"));
  details_->setToolTip(detailsTip);
  details_->setStatusTip(detailsTip);
  connect(details_, &QAction::triggered, this, &Form1::ShowDetails);
  contextMenu_->addAction(details_);
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Keyboard) ShowContextMenuAtFocus();
  else ShowContextMenu(event->globalPos(), false);
  event->accept();
}

void Form1::keyPressEvent(QKeyEvent* event) {
  // The Menu key and Shift+F10, the two keys of a context menu; the platform
  // turns neither into a context-menu event everywhere.
  const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
  const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
  if (menuKey || shiftF10) {
    event->accept();
    ShowContextMenuAtFocus();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Form1::ShowContextMenuAtFocus() {
  // Under the focused control, or in the middle of the window when none has the focus.
  QWidget* control = focusWidget();
  const QPoint at = control != nullptr && control != this && control->isVisible()
                        ? control->mapToGlobal(QPoint(0, control->height()))
                        : mapToGlobal(rect().center());
  ShowContextMenu(at, true);
}

void Form1::ShowContextMenu(const QPoint& at, bool fromKeyboard) {
  // One menu at a time: the Menu key may also arrive as a context-menu event.
  if (contextMenu_->isVisible()) return;
  // popup() rather than exec(): a menu opened during a run must not hold it.
  contextMenu_->popup(at);
  // From the keyboard the first entry is selected, so the arrow keys start there.
  if (fromKeyboard) contextMenu_->setActiveAction(contextMenu_->actions().value(0));
}

// "Any device", checked at every start, then one radio entry per target; the
// last entry, never enabled, says what such an output is for.
void Form1::AddDeviceMenu() {
  deviceMenu_ = contextMenu_->addMenu(Text(language_.TrC("window menu", "De&vice")));
  deviceMenu_->setObjectName(QStringLiteral("DeviceMenu"));
  deviceMenu_->setToolTipsVisible(true);
  const QString note = Text(DeviceTargetNote(language_));
  devices_ = new QActionGroup(this);
  devices_->setExclusive(true);
  auto add = [&](const QString& text, const QVariant& depth) {
    QAction* action = deviceMenu_->addAction(text);
    action->setCheckable(true);
    action->setData(depth);
    action->setToolTip(note);
    action->setStatusTip(note);
    devices_->addAction(action);
    return action;
  };
  add(Text(language_.TrC("window menu", "Any device")), QVariant())->setChecked(true);
  for (const DeviceTarget& target : DeviceTargets())
    add(Text(DeviceTargetText(target, language_)), QVariant(int{target.screenDepth}));
  deviceMenu_->addSeparator();
  deviceMenu_->addAction(note)->setEnabled(false);
  connect(devices_, &QActionGroup::triggered, this, &Form1::ShowDeviceChoice);
}

void Form1::ShowDeviceChoice() {
  const bool device = ChosenDevice().has_value();
  thorough_->setChecked(device || thoroughChosen_);
  thorough_->setEnabled(!device);
}

QList<QAction*> Form1::DeviceActions() const { return devices_->actions(); }

std::optional<DeviceTarget> Form1::ChosenDevice() const {
  const QAction* chosen = devices_->checkedAction();
  if (chosen == nullptr || !chosen->data().isValid()) return std::nullopt;
  return DeviceTarget{static_cast<std::uint8_t>(chosen->data().toInt())};
}

void Form1::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.drawPixmap(0, 0, background_);
  surface_.Paint(painter);
  focusMark_->Paint(painter);
}

bool Form1::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  // Over the panel, the report in full: a line cut short there is whole here.
  const auto* help = static_cast<QHelpEvent*>(event);
  const QStringList report = surface_.FullLines();
  if (!WindowSurface::kPanel.contains(help->pos()) || report.isEmpty()) {
    QToolTip::hideText();
    return true;
  }
  // Escaped, so that a name that looks like markup shows as it is.
  const QString tip = report.join(QLatin1Char('\n')).toHtmlEscaped();
  QToolTip::showText(help->globalPos(), QStringLiteral("<p style='white-space:pre'>%1</p>").arg(tip), this,
                     WindowSurface::kPanel);
  return true;
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!busy_ && !FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  if (StartRun(FirstLocalFile(event->mimeData()))) event->acceptProposedAction();
}

bool Form1::StartRun(const QString& path) {
  // One run at a time: the run's event passes deliver drops, keys and clicks too.
  if (busy_ || path.isEmpty()) return false;
  SetBusy(true);
  lastFolder_ = QFileInfo(path).absolutePath();
  ConversionOptions options;
  options.bitmapMode = thorough_->isChecked() ? BitmapMode::Thorough : BitmapMode::Classic;
  options.device = ChosenDevice();
  options.language = language_;
  // Start from the event loop, after a drop is acknowledged, so that the
  // dragging program is not held for the length of the run.
  QMetaObject::invokeMethod(this, [this, path, options] { RunConversion(path, options); }, Qt::QueuedConnection);
  return true;
}

void Form1::ShowOpenDialog() {
  if (busy_) return;
  // A dialog that was just closed waits for its deletion hidden; it is not reused.
  if (openDialog_ && openDialog_->isVisible()) {
    openDialog_->raise();
    openDialog_->activateWindow();
    return;
  }
  openDialog_ = new QFileDialog(this, Text(language_.Tr("Open a PRC file")),
                                lastFolder_.isEmpty() ? QDir::currentPath() : lastFolder_,
                                Text(language_.Trf("PRC files and zip archives (%s)", {"*.prc *.PRC *.zip *.ZIP"})));
  openDialog_->setAttribute(Qt::WA_DeleteOnClose);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  connect(openDialog_, &QFileDialog::fileSelected, this, [this](const QString& path) { StartRun(path); });
  // Window-modal and without a nested event loop.
  openDialog_->open();
}

DetailsDialog* Form1::ShowDetails() {
  if (!lastRun_) return nullptr;
  if (detailsDialog_) detailsDialog_->close();
  detailsDialog_ = new DetailsDialog(BuildDetails(*lastRun_, language_), language_, this);
  detailsDialog_->setAttribute(Qt::WA_DeleteOnClose);
  detailsDialog_->show();
  return detailsDialog_;
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!busy_) {
    event->accept();
    return;
  }
  // The run stops at its next event pass and cleans up; the window closes after it.
  closeRequested_ = true;
  event->ignore();
}

void Form1::RunConversion(const QString& path, const ConversionOptions& options) {
  if (!closeRequested_) {
    EventPass eventPass = [this] {
      QCoreApplication::processEvents();
      // The dispatcher skips posted events that were already waiting when the
      // run started inside it; deliver those as well.
      QCoreApplication::sendPostedEvents();
      return !closeRequested_;
    };
    const std::string input = QFile::encodeName(path).toStdString();
    if (EndsInZip(input)) lastRun_ = CaptureArchiveRun(input, ConvertArchive(input, surface_, eventPass, options));
    else lastRun_ = CaptureRun(input, converter_(input, surface_, eventPass, options));
    details_->setEnabled(true);
  }
  SetBusy(false);
  if (closeRequested_) close();
}

void Form1::SetBusy(bool busy) {
  busy_ = busy;
  if (!QAccessible::isActive()) return;
  QAccessible::State changed;
  changed.busy = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

}  // namespace pressling::ui
