// Ways into a run other than a drop: a file on the command line, the folder
// picture and the open key with their file dialog; none starts a second run
// while one is going on. The thorough compression entry of the context menu
// and the mode each run gets. The command line, and what the program says
// without a display.
#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/ui_test_support.h"
#include "ui/command_line.h"
#include "ui/form1.h"

namespace fs = std::filesystem;
using pressling::BitmapMode;
using pressling::ui::Form1;
using pressling::ui::ParseWindowArguments;
using Action = pressling::ui::WindowRequest::Action;

namespace {

// What the window handed to the conversion.
struct RecordedRun {
  std::string path;
  pressling::ConversionOptions options;
};

// Stands in for the conversion: gives the window's event pass `passes` turns,
// so that queued test steps happen during the run, then notes the run.
pressling::ui::Converter RecordingConverter(std::vector<RecordedRun>& runs, int passes = 3) {
  return [&runs, passes](const std::string& path, pressling::ReportSurface&, const pressling::EventPass& eventPass,
                         const pressling::ConversionOptions& options) {
    for (int i = 0; i < passes && eventPass(); ++i) {
    }
    runs.push_back({path, options});
    pressling::RunResult result;
    result.outcome = pressling::RunOutcome::NoEffect;
    return result;
  };
}

QString Touch(const QTemporaryDir& folder, const char* name) {
  QString path = folder.filePath(QString::fromUtf8(name));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  return path;
}

// The dialog on show; a closed one may wait a moment for its deletion.
QFileDialog* OpenDialog(Form1& form) {
  for (QFileDialog* dialog : form.findChildren<QFileDialog*>())
    if (dialog->isVisible()) return dialog;
  return nullptr;
}

void PressOpenKey(Form1& form) { QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier); }

QMenu* ShownMenu(Form1& form) {
  for (QMenu* menu : form.findChildren<QMenu*>())
    if (menu->isVisible()) return menu;
  return nullptr;
}

// How a program started by a test ended.
struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

// Runs program with the display variables removed from the environment, and
// the language variables too, but for LANG=lang when lang is given.
Outcome RunWithoutDisplay(const QString& program, const QStringList& arguments, const char* lang = nullptr) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
    env.remove(QString::fromLatin1(name));
  if (lang != nullptr) env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  process.closeWriteChannel();
  Outcome outcome;
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return outcome;
  outcome.exitCode = process.exitCode();
  outcome.out = QString::fromUtf8(process.readAllStandardOutput());
  outcome.err = QString::fromUtf8(process.readAllStandardError());
  return outcome;
}

}  // namespace

class RunStartTest : public QObject {
  Q_OBJECT

 private:
  QAbstractButton* FolderButton(Form1& form) { return form.findChild<QAbstractButton*>(QStringLiteral("FolderButton")); }

  void ShowActive(Form1& form) {
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
  }

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void folderPictureIsAButtonWithTheHandPointer() {
    Form1 form;
    QAbstractButton* folder = FolderButton(form);
    QVERIFY(folder != nullptr);
    QCOMPARE(folder->geometry(), Form1::kFolderPicture);
    QVERIFY(form.rect().contains(folder->geometry()));
    QCOMPARE(folder->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(folder->cursor().hotSpot(), QPoint(12, 3));
    QCOMPARE(folder->focusPolicy(), Qt::TabFocus);
    // It draws nothing: the window looks as it did without it.
    QImage withButton = form.grab().toImage();
    folder->hide();
    QCOMPARE(form.grab().toImage(), withButton);
  }

  void folderAndOpenKeyOpenAPrcDialogInTheLastFolder() {
    QTemporaryDir inputs;
    const QString chosen = Touch(inputs, "チョイス.prc");
    std::vector<RecordedRun> runs;
    Form1 form;
    form.SetConverter(RecordingConverter(runs));
    ShowActive(form);

    QTest::mouseClick(FolderButton(form), Qt::LeftButton);
    QFileDialog* dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->nameFilters().size(), 1);
    QVERIFY(dialog->nameFilters()[0].endsWith(QStringLiteral("(*.prc *.PRC *.zip *.ZIP)")));
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    // Before any file, the dialog starts in the current folder.
    QCOMPARE(dialog->directory().absolutePath(), QDir::currentPath());
    // A second request shows the same dialog.
    QTest::mouseClick(FolderButton(form), Qt::LeftButton);
    QCOMPARE(form.findChildren<QFileDialog*>().size(), 1);

    dialog->selectFile(chosen);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Open button does
    QTRY_COMPARE(runs.size(), size_t{1});
    QCOMPARE(QString::fromStdString(runs[0].path), chosen);
    QCOMPARE(runs[0].options.bitmapMode, BitmapMode::Classic);
    QTRY_VERIFY(!form.IsBusy());
    QTRY_VERIFY(form.findChild<QFileDialog*>() == nullptr);

    // The open key brings the dialog back, now in the chosen file's folder.
    ShowActive(form);
    PressOpenKey(form);
    dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->directory().absolutePath(), inputs.path());
    dialog->reject();
    QCoreApplication::processEvents();
    QCOMPARE(runs.size(), size_t{1});
  }

  void duringARunNothingStartsASecondRun() {
    QTemporaryDir inputs;
    const QString first = Touch(inputs, "first.prc");
    const QString second = Touch(inputs, "second.prc");
    std::vector<RecordedRun> runs;
    Form1 form;
    form.SetConverter(RecordingConverter(runs));
    ShowActive(form);

    // The folder, the open key and a file from the command line do nothing during a run.
    QVERIFY(form.StartRun(first));
    bool startedDuringRun = true;
    bool dialogDuringRun = true;
    QMetaObject::invokeMethod(
        &form,
        [&] {
          QTest::mouseClick(FolderButton(form), Qt::LeftButton);
          PressOpenKey(form);
          dialogDuringRun = OpenDialog(form) != nullptr;
          startedDuringRun = form.StartRun(second);
        },
        Qt::QueuedConnection);
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(!dialogDuringRun);
    QVERIFY(!startedDuringRun);

    // A dialog left open when a run starts cannot start another one.
    PressOpenKey(form);
    QPointer<QFileDialog> staleDialog = OpenDialog(form);
    QVERIFY(staleDialog);
    QVERIFY(form.StartRun(first));
    QMetaObject::invokeMethod(
        &form,
        [&] {
          staleDialog->selectFile(second);
          static_cast<QDialog*>(staleDialog.data())->accept();
        },
        Qt::QueuedConnection);
    QTRY_VERIFY(!form.IsBusy());
    QCoreApplication::processEvents();
    QCOMPARE(runs.size(), size_t{2});
    QCOMPARE(QString::fromStdString(runs[0].path), first);
    QCOMPARE(QString::fromStdString(runs[1].path), first);
    QVERIFY(!form.StartRun(QString()));
  }

  void rightClickShowsThoroughUncheckedAndDetailsDisabled() {
    Form1 form;
    QAction& thorough = form.ThoroughAction();
    QCOMPARE(thorough.text(), QString::fromUtf8("徹底圧縮(&T)"));
    QVERIFY(thorough.isCheckable());
    QVERIFY(!thorough.isChecked());
    QVERIFY(!thorough.toolTip().isEmpty() && !thorough.toolTip().contains(QLatin1Char('\n')));
    QVERIFY(thorough.toolTip() != thorough.text());
    QCOMPARE(thorough.statusTip(), thorough.toolTip());
    QAction& details = form.DetailsAction();
    QCOMPARE(details.text(), QString::fromUtf8("詳細(&D)…"));
    QVERIFY(!details.isCheckable());
    QVERIFY(!details.isEnabled());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // On the bare picture, on the folder picture and on the link alike.
    const QPoint link = form.findChild<QWidget*>(QStringLiteral("Label3"))->geometry().center();
    for (QPoint at : {QPoint(250, 60), Form1::kFolderPicture.center(), link}) {
      QTest::mouseClick(form.windowHandle(), Qt::RightButton, {}, at);
      QMenu* menu = nullptr;
      QTRY_VERIFY((menu = ShownMenu(form)) != nullptr);
      QCOMPARE(menu->actions(), (QList<QAction*>{&thorough, form.DeviceMenu().menuAction(), &details}));
      QVERIFY(menu->toolTipsVisible());
      menu->close();
    }
    QVERIFY(!form.IsBusy());

    // Checked in one window, the entry still starts unchecked in the next.
    thorough.setChecked(true);
    Form1 next;
    QVERIFY(!next.ThoroughAction().isChecked());
  }

  void aRunKeepsTheModeTheEntryHadWhenItsFileCameIn() {
    QTemporaryDir inputs;
    const fs::path input = fs::path(inputs.path().toStdString()) / "input.prc";
    std::vector<RecordedRun> runs;
    Form1 form;
    form.SetConverter(RecordingConverter(runs));
    QMimeData data;
    pressling::test::SetLocalFiles(data, {input});

    // Checked at the drop, unchecked by the user during the run.
    form.ThoroughAction().trigger();
    QVERIFY(pressling::test::DropOn(form, data).dropAccepted);
    QMetaObject::invokeMethod(&form, [&] { form.ThoroughAction().trigger(); }, Qt::QueuedConnection);
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(!form.ThoroughAction().isChecked());

    // Unchecked when asked for, checked during the run.
    QVERIFY(form.StartRun(QString::fromStdString(input.string())));
    QMetaObject::invokeMethod(&form, [&] { form.ThoroughAction().trigger(); }, Qt::QueuedConnection);
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(form.ThoroughAction().isChecked());

    QCOMPARE(runs.size(), size_t{2});
    QCOMPARE(runs[0].path, input.string());
    QCOMPARE(runs[0].options.bitmapMode, BitmapMode::Thorough);
    QCOMPARE(runs[1].options.bitmapMode, BitmapMode::Classic);
  }

  void deviceSubmenuOffersTheTargetsAndHoldsTheThoroughEntry() {
    Form1 form;
    const QList<QAction*> devices = form.DeviceActions();
    QCOMPARE(devices.size(), qsizetype(1 + pressling::DeviceTargets().size()));
    QCOMPARE(devices[0]->text(), QString::fromUtf8("すべての機種"));  // "Any device", checked at every start
    QVERIFY(devices[0]->isChecked());
    QVERIFY(!form.ChosenDevice().has_value());
    for (QAction* device : devices) {
      QVERIFY(device->isCheckable());
      QCOMPARE(device->actionGroup()->isExclusive(), true);
      QVERIFY(device->toolTip().contains(QStringLiteral("Palm OS 5")));
    }
    // The last entry says what such an output is for, and is no choice.
    const QList<QAction*> entries = form.DeviceMenu().actions();
    QVERIFY(!entries.back()->isEnabled());
    QCOMPARE(entries.back()->text(), devices[0]->toolTip());

    QAction& thorough = form.ThoroughAction();
    devices[4]->trigger();  // 4 greys
    QCOMPARE(form.ChosenDevice()->screenDepth, std::uint8_t{2});
    QVERIFY(!devices[0]->isChecked());
    QVERIFY(thorough.isChecked() && !thorough.isEnabled());
    // Back to any device, the entry is as the user left it.
    devices[0]->trigger();
    QVERIFY(!thorough.isChecked() && thorough.isEnabled());
    thorough.trigger();
    devices[1]->trigger();
    devices[0]->trigger();
    QVERIFY(thorough.isChecked() && thorough.isEnabled());

    devices[5]->trigger();
    Form1 next;
    QVERIFY(next.DeviceActions()[0]->isChecked());
  }

  void aRunKeepsTheTargetItStartedWith() {
    QTemporaryDir inputs;
    const fs::path input = fs::path(inputs.path().toStdString()) / "input.prc";
    std::vector<RecordedRun> runs;
    Form1 form;
    form.SetConverter(RecordingConverter(runs));
    form.DeviceActions()[3]->trigger();  // 16 greys
    QVERIFY(form.StartRun(QString::fromStdString(input.string())));
    QMetaObject::invokeMethod(&form, [&] { form.DeviceActions()[0]->trigger(); }, Qt::QueuedConnection);
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(form.StartRun(QString::fromStdString(input.string())));
    QTRY_VERIFY(!form.IsBusy());

    QCOMPARE(runs.size(), size_t{2});
    QVERIFY(runs[0].options.device.has_value());
    QCOMPARE(runs[0].options.device->screenDepth, std::uint8_t{4});
    QCOMPARE(runs[0].options.bitmapMode, BitmapMode::Thorough);
    QVERIFY(!runs[1].options.device.has_value());
    QCOMPARE(runs[1].options.bitmapMode, BitmapMode::Classic);
  }

  void argumentsNameOneFileAndHelpAndVersionWin() {
    auto parse = [](std::initializer_list<const char*> words) {
      QStringList arguments;
      for (const char* word : words) arguments.push_back(QString::fromUtf8(word));
      return ParseWindowArguments(arguments);
    };
    QCOMPARE(parse({}).action, Action::ShowWindow);
    QCOMPARE(parse({"a.prc", "b.prc"}).file, QStringLiteral("a.prc"));
    QCOMPARE(parse({"--", "-a.prc", "--help"}).file, QStringLiteral("-a.prc"));
    QCOMPARE(parse({"--", "--help"}).action, Action::ShowWindow);
    QCOMPARE(parse({"a.prc", "--help"}).action, Action::Help);
    QCOMPARE(parse({"--bogus", "--version"}).action, Action::Version);
    QCOMPARE(parse({"a.prc", "-x"}).action, Action::UsageError);
    QCOMPARE(parse({"a.prc", "-x"}).badOption, QStringLiteral("-x"));
  }

  void withoutADisplayTheWindowSaysSoInOneLine() {
    // In English from a locale the machine does not have, in Japanese without any.
    for (const auto& [lang, words] : {std::pair{"en_US.UTF-8", "desktop session"},
                                      std::pair{static_cast<const char*>(nullptr), "デスクトップセッション"},
                                      std::pair{"de_DE.UTF-8", "keine Desktop-Sitzung"}}) {
      const Outcome refused = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("a.prc")}, lang);
      QCOMPARE(refused.exitCode, 1);
      QCOMPARE(refused.out, QString());
      QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
      QVERIFY(refused.err.endsWith(QLatin1Char('\n')));
      for (const char* hint : {"pressling-cli", "xvfb-run", words})
        QVERIFY2(refused.err.contains(QString::fromUtf8(hint)), qPrintable(refused.err));
    }

    // --help and --version need no display.
    const Outcome version = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("pressling 0.91\n"));
    const Outcome help =
        RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--help")}, "en_US.UTF-8");
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("Usage: pressling ")));
    const Outcome japanese = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--help")});
    QCOMPARE(japanese.exitCode, 0);
    QVERIFY2(japanese.out.startsWith(QString::fromUtf8("使い方: pressling ")), qPrintable(japanese.out));

    // A usage error is found once Qt has taken its own options.
    const Outcome unknown = RunWithoutDisplay(
        QStringLiteral(PRESSLING_WINDOW),
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--bogus")}, "fr_FR.UTF-8");
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY2(unknown.err.endsWith(QString::fromUtf8("pressling: option inconnue --bogus\nEssayez « pressling --help ».\n")),
             qPrintable(unknown.err));
  }

  void helpFitsATerminalInEveryLanguage() {
    for (const char* lang : {"en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8"}) {
      const Outcome help = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--help")}, lang);
      QCOMPARE(help.exitCode, 0);
      for (const QString& line : help.out.split(QLatin1Char('\n'))) {
        int columns = 0;  // Japanese characters take two
        for (QChar c : line) columns += c.unicode() >= 0x3000 && c.unicode() < 0xFF61 ? 2 : 1;
        QVERIFY2(columns <= 80, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(lang), line)));
      }
    }
  }

  void runScriptStopsBeforeBuildingWithoutADisplay() {
    const Outcome refused =
        RunWithoutDisplay(QStringLiteral("bash"), {QStringLiteral(PRESSLING_SOURCE_DIR "/scripts/run.sh")});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.out, QString());
    QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    for (const char* hint : {"pressling-cli", "xvfb-run"})
      QVERIFY2(refused.err.contains(QLatin1String(hint)), qPrintable(refused.err));
  }
};

QTEST_MAIN(RunStartTest)
#include "run_start_test.moc"
