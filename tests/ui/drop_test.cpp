// Dropping files on the window: the run it starts, the report it prints, and
// drops or closes that arrive while a run is going on.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/common/corpus.h"
#include "tests/ui/ui_test_support.h"
#include "ui/form1.h"
#include "ui/link_label.h"

namespace fs = std::filesystem;
using pressling::test::DropOn;
using pressling::test::SetLocalFiles;
using pressling::ui::Form1;

namespace {

// A corpus database that shrinks to 84.8 %, and two more that would shrink too.
constexpr char kShrinks[] = "epatel__palmos_portal__StarWarsAscii.prc";
constexpr char kAlsoShrinks1[] = "harbaum__palmos__IR-Pong2.prc";
constexpr char kAlsoShrinks2[] = "nsbasic-archive__NS-Basic-for-Palm-OS__poko.prc";
// A corpus database on which the classic conversion has no effect.
constexpr char kWithoutEffect[] = "harbaum__palmos__mulg.prc";
constexpr int kRunTimeoutMs = 60000;

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path CompName(const fs::path& input) {
  return input.parent_path() / (input.stem().string() + "_comp.prc");
}

bool IsEmptyDir(const fs::path& dir) { return fs::is_empty(dir); }

}  // namespace

class DropTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> work_;
  fs::path inputs_;  // copies of corpus databases
  fs::path runs_;    // TMPDIR: where runs make their private folders

  // Copies a corpus database into the test's folder; the corpus stays untouched.
  fs::path Copy(const char* name) {
    fs::path to = inputs_ / name;
    fs::copy_file(*pressling::test::CorpusDir() / name, to);
    return to;
  }

  bool HaveCorpus(std::initializer_list<const char*> names) {
    auto dir = pressling::test::CorpusDir();
    if (!dir) return false;
    for (const char* name : names)
      if (!fs::exists(*dir / name)) return false;
    return true;
  }

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    inputs_ = fs::path(work_->path().toStdString()) / "inputs";
    runs_ = fs::path(work_->path().toStdString()) / "runs";
    fs::create_directories(inputs_);
    fs::create_directories(runs_);
    qputenv("TMPDIR", QByteArray::fromStdString(runs_.string()));
  }

  void cleanup() {
    qunsetenv("TMPDIR");
    work_.reset();
  }

  void dropConvertsTheDatabaseAndPrintsTheReportInThePanel() {
    if (!HaveCorpus({kShrinks})) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = Copy(kShrinks);
    Form1 form;
    const QImage empty = form.grab().toImage();
    QMimeData data;
    SetLocalFiles(data, {input});

    auto outcome = DropOn(form, data);
    QVERIFY(outcome.enterAccepted);
    QVERIFY(outcome.dropAccepted);
    // The drop is acknowledged before the run starts.
    QVERIFY(form.IsBusy());
    QVERIFY(form.Surface().lines().empty());
    QVERIFY(!fs::exists(CompName(input)));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);

    QVERIFY(fs::exists(CompName(input)));
    const auto& lines = form.Surface().lines();
    QCOMPARE(lines.size(), size_t{4});
    const float tops[] = {400, 580, 760, 940};
    for (size_t i = 0; i < 4; ++i) {
      QCOMPARE(lines[i].x, 2600.0f);
      QCOMPARE(lines[i].y, tops[i]);
    }
    QCOMPARE(lines[0].text, QString::fromUtf8("アプリ名：StarWarsAscii"));
    QCOMPARE(lines[1].text, QString::fromUtf8("オリジナル：%1 byte").arg(fs::file_size(input)));
    QCOMPARE(lines[2].text, QString::fromUtf8("圧縮処理後：%1 byte").arg(fs::file_size(CompName(input))));
    QVERIFY(lines[3].text.startsWith(QString::fromUtf8("圧縮率：")));

    // Each line shows in the grab at its own place inside the panel.
    const QImage shot = form.grab().toImage();
    const int left = qRound(2600.0 * form.logicalDpiX() / 1440);
    const int height = qRound(180.0 * form.logicalDpiY() / 1440);
    for (float top : tops) {
      int y = qRound(top * form.logicalDpiY() / 1440);
      QVERIFY2(pressling::test::ChangedPixels(empty, shot, QRect(left, y, 160, height)) > 20,
               qPrintable(QStringLiteral("line at %1 twips").arg(top)));
    }
    QCOMPARE(pressling::test::ChangedPixels(empty, shot, QRect(0, 0, left - 1, shot.height())), 0);
    QVERIFY(IsEmptyDir(runs_));

    // A second drop replaces the report rather than adding to it.
    QVERIFY(DropOn(form, data).dropAccepted);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(form.Surface().lines().size(), size_t{4});
    QCOMPARE(form.grab().toImage(), shot);
  }

  void dropWithoutEffectKeepsAnOlderOutput() {
    if (!HaveCorpus({kWithoutEffect})) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = Copy(kWithoutEffect);
    const fs::path older = CompName(input);
    std::ofstream(older, std::ios::binary) << "an output made earlier, in thorough mode";
    const std::vector<char> olderBytes = Bytes(older);
    Form1 form;
    QMimeData data;
    SetLocalFiles(data, {input});
    QVERIFY(DropOn(form, data).dropAccepted);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(form.Surface().lines()[2].text, QString::fromUtf8("圧縮効果はありません"));
    QVERIFY(Bytes(older) == olderBytes);
    QVERIFY(IsEmptyDir(runs_));
  }

  void onlyTheFirstOfThreeDroppedFilesIsConverted() {
    if (!HaveCorpus({kShrinks, kAlsoShrinks1, kAlsoShrinks2}))
      QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path first = Copy(kShrinks);
    const fs::path second = Copy(kAlsoShrinks1);
    const fs::path third = Copy(kAlsoShrinks2);
    Form1 form;
    QMimeData data;
    SetLocalFiles(data, {first, second, third});
    QVERIFY(DropOn(form, data).dropAccepted);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QVERIFY(fs::exists(CompName(first)));
    QVERIFY(!fs::exists(CompName(second)));
    QVERIFY(!fs::exists(CompName(third)));
    QVERIFY(Bytes(second) == Bytes(*pressling::test::CorpusDir() / kAlsoShrinks1));
    QVERIFY(Bytes(third) == Bytes(*pressling::test::CorpusDir() / kAlsoShrinks2));
  }

  void dropsWithoutALocalFileAreIgnored() {
    Form1 form;
    QMimeData text;
    text.setText(QStringLiteral("/tmp/some.prc"));
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("http://www.example.com/some.prc"))});
    QMimeData none;
    none.setUrls({});
    for (const QMimeData* data : {&text, &web, &none}) {
      auto outcome = DropOn(form, *data);
      QVERIFY(!outcome.enterAccepted);
      QVERIFY(!outcome.dropAccepted);
      QVERIFY(!form.IsBusy());
    }
    QCoreApplication::processEvents();
    QVERIFY(form.Surface().lines().empty());
    QVERIFY(IsEmptyDir(runs_));
  }

  void anyLocalFileIsHandedToTheRun() {
    // The window does not judge names; the run refuses what is no database.
    const fs::path notes = inputs_ / "notes.txt";
    std::ofstream(notes) << "not a database";
    Form1 form;
    QMimeData data;
    SetLocalFiles(data, {notes});
    QVERIFY(DropOn(form, data).dropAccepted);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(form.Surface().lines().size(), size_t{4});
    QCOMPARE(form.Surface().lines()[1].text, QString::fromUtf8("オリジナル：0 byte"));
    QVERIFY(!fs::exists(inputs_ / "notes_comp.prc"));
  }

  void dropDuringARunIsIgnored() {
    if (!HaveCorpus({kShrinks, kAlsoShrinks1})) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path first = Copy(kShrinks);
    const fs::path second = Copy(kAlsoShrinks1);
    Form1 form;
    QMimeData firstData, secondData;
    SetLocalFiles(firstData, {first});
    SetLocalFiles(secondData, {second});
    QVERIFY(DropOn(form, firstData).dropAccepted);
    // Queued behind the run's start, so it arrives through the run's event passes.
    bool duringRun = false;
    pressling::test::DropOutcome second_outcome{true, true};
    QMetaObject::invokeMethod(
        &form,
        [&] {
          duringRun = form.IsBusy() && !form.Surface().lines().empty();
          second_outcome = DropOn(form, secondData);
        },
        Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QVERIFY(duringRun);
    QVERIFY(!second_outcome.enterAccepted);
    QVERIFY(!second_outcome.dropAccepted);
    QTest::qWait(50);
    QVERIFY(!form.IsBusy());
    QVERIFY(fs::exists(CompName(first)));
    QVERIFY(!fs::exists(CompName(second)));
    QCOMPARE(form.Surface().lines()[0].text, QString::fromUtf8("アプリ名：StarWarsAscii"));
  }

  void linkWorksDuringARunAndTheRunGoesOn() {
    if (!HaveCorpus({kShrinks})) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = Copy(kShrinks);
    Form1 form;
    int opened = 0;
    form.Label3().SetOpener(
        [&](const QUrl&, const pressling::ui::OpenDone& done) { done(form.IsBusy() && ++opened > 0); });
    QMimeData data;
    SetLocalFiles(data, {input});
    QVERIFY(DropOn(form, data).dropAccepted);
    QMetaObject::invokeMethod(
        &form, [&] { QTest::mouseClick(&form.Label3(), Qt::LeftButton); }, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(opened, 1);
    QCOMPARE(form.Label3().TextColour(), QColor(192, 128, 192));
    QVERIFY(fs::exists(CompName(input)));
    QCOMPARE(form.Surface().lines().size(), size_t{4});
  }

  void closeDuringARunStopsItAndLeavesNothingBehind() {
    if (!HaveCorpus({kShrinks})) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = Copy(kShrinks);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMimeData data;
    SetLocalFiles(data, {input});
    QVERIFY(DropOn(form, data).dropAccepted);
    bool duringRun = false;
    bool privateFolderExisted = false;
    QMetaObject::invokeMethod(
        &form,
        [&] {
          duringRun = form.IsBusy();
          privateFolderExisted = !IsEmptyDir(runs_);
          form.close();
          // The window stays until the run has stopped and cleaned up.
          QVERIFY(form.isVisible());
        },
        Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QVERIFY(duringRun);
    QVERIFY(privateFolderExisted);
    QVERIFY(!form.isVisible());
    QVERIFY(!fs::exists(CompName(input)));
    QVERIFY(IsEmptyDir(runs_));
    QVERIFY(Bytes(input) == Bytes(*pressling::test::CorpusDir() / kShrinks));
  }
};

QTEST_MAIN(DropTest)
#include "drop_test.moc"
