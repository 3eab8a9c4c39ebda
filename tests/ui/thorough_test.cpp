// The thorough compression entry of the context menu and the mode each run gets.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/database/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/form1.h"

namespace fs = std::filesystem;
using pressling::BitmapMode;
using pressling::test::RecordedRun;
using pressling::ui::Form1;

namespace {

QMenu* ShownMenu(Form1& form) {
  for (QMenu* menu : form.findChildren<QMenu*>())
    if (menu->isVisible()) return menu;
  return nullptr;
}

// A database whose bitmap shrinks in either mode.
fs::path WriteShrinkingDatabase(const fs::path& folder, const std::string& name) {
  using namespace pressling::test;
  fs::path path = folder / (name + ".prc");
  WriteBytes(path, MakeDatabase(name, {{Type("Tbmp"), {0x0B, 0xB8}, ZeroBitmapV2(4096)}}));
  return path;
}

}  // namespace

class ThoroughTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void rightClickShowsOneUncheckedEntry() {
    Form1 form;
    QAction& thorough = form.ThoroughAction();
    QCOMPARE(thorough.text(), QString::fromUtf8("徹底圧縮"));
    QVERIFY(thorough.isCheckable());
    QVERIFY(!thorough.isChecked());
    QVERIFY(!thorough.toolTip().isEmpty() && !thorough.toolTip().contains(QLatin1Char('\n')));
    QVERIFY(thorough.toolTip() != thorough.text());
    QCOMPARE(thorough.statusTip(), thorough.toolTip());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // On the bare picture, on the folder picture and on the link alike.
    const QPoint link = form.findChild<QWidget*>(QStringLiteral("Label3"))->geometry().center();
    for (QPoint at : {QPoint(250, 60), Form1::kFolderPicture.center(), link}) {
      QTest::mouseClick(form.windowHandle(), Qt::RightButton, {}, at);
      QMenu* menu = nullptr;
      QTRY_VERIFY((menu = ShownMenu(form)) != nullptr);
      QCOMPARE(menu->actions(), QList<QAction*>{&thorough});
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
    form.SetConverter(pressling::test::RecordingConverter(runs));
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

  void bothModesPrintTheSameReportLines() {
    pressling::test::TempFolder folder;
    pressling::test::TmpDirOverride runs(folder.path());
    QStringList reports[2];
    for (bool thorough : {false, true}) {
      const fs::path input = WriteShrinkingDatabase(folder.path(), thorough ? "Thorough" : "Classic");
      Form1 form;
      form.ThoroughAction().setChecked(thorough);
      QVERIFY(form.StartRun(QString::fromStdString(input.string())));
      QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), 30000);
      const fs::path output = folder.path() / (input.stem().string() + "_comp.prc");
      QVERIFY(fs::exists(output));
      QStringList& lines = reports[thorough];
      for (const auto& line : form.Surface().lines()) lines.push_back(line.text);
      QCOMPARE(lines.size(), 4);
      QCOMPARE(lines[2], QString::fromUtf8("圧縮処理後：%1 byte").arg(fs::file_size(output)));
    }
    // The same database under another name: only the sizes may differ.
    auto label = [](const QString& line) { return line.section(QString::fromUtf8("："), 0, 0); };
    for (int i = 0; i < 4; ++i) QCOMPARE(label(reports[1][i]), label(reports[0][i]));
    QCOMPARE(reports[1][1], reports[0][1]);
  }
};

QTEST_MAIN(ThoroughTest)
#include "thorough_test.moc"
