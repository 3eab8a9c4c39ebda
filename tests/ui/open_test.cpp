// Opening a file without dragging: the folder picture and Ctrl+O open a file
// dialog, and a file named on the command line starts a run; none of them
// starts a second run while one is going on.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/ui_test_support.h"
#include "ui/form1.h"

using pressling::BitmapMode;
using pressling::test::RecordedRun;
using pressling::ui::Form1;

namespace {

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

}  // namespace

class OpenTest : public QObject {
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
    QCOMPARE(folder->focusPolicy(), Qt::NoFocus);
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
    form.SetConverter(pressling::test::RecordingConverter(runs));
    ShowActive(form);

    QTest::mouseClick(FolderButton(form), Qt::LeftButton);
    QFileDialog* dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->nameFilters().size(), 1);
    QVERIFY(dialog->nameFilters()[0].endsWith(QStringLiteral("(*.prc *.PRC)")));
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
    form.SetConverter(pressling::test::RecordingConverter(runs));
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
};

QTEST_MAIN(OpenTest)
#include "open_test.moc"
