// The details dialog: one row per bitmap of the last run, the pictures after
// the run decoded from the output on disk, and what it shows once the output
// has changed or gone.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "bitmap/picture/bitmap_picture.h"
#include "database/conversion_run.h"
#include "database/database_view.h"
#include "tests/common/corpus.h"
#include "ui/details_dialog.h"
#include "ui/form1.h"
#include "workfolder/file_io.h"

namespace fs = std::filesystem;
using pressling::BitmapRecord;
using pressling::RunResult;
using pressling::ui::DetailsDialog;
using pressling::ui::Form1;

namespace {

// A corpus database whose thorough run rewrites bitmaps of low and of double
// density; the double-density one of Tbmp 1402 has transparent pixels.
constexpr char kDatabase[] = "captaintouch__pBill__pBill_hires.prc";
constexpr std::uint16_t kTransparentId = 1402;
constexpr int kRunTimeoutMs = 60000;

// Checks that label shows picture at scale screen pixels per pixel: its own
// colour where opaque, one of the two checkerboard greys where transparent.
// Counts the transparent screen pixels into transparent.
void ComparePicture(const QLabel& label, const pressling::BitmapPicture& picture, int scale, int& transparent) {
  const QImage shown = label.pixmap().toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(shown.size(), QSize(picture.width * scale, picture.height * scale));
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const std::uint8_t* p = &picture.rgba[(std::size_t(y / scale) * picture.width + x / scale) * 4];
      const QRgb pixel = shown.pixel(x, y);
      if (p[3] == 0) {
        ++transparent;
        QVERIFY2(pixel == qRgb(255, 255, 255) || pixel == qRgb(204, 204, 204),
                 qPrintable(QStringLiteral("transparent pixel %1,%2").arg(x).arg(y)));
      } else if (pixel != qRgb(p[0], p[1], p[2])) {
        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
      }
    }
  }
}

}  // namespace

class DetailsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> work_;

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    fs::create_directories(fs::path(work_->path().toStdString()) / "runs");
    qputenv("TMPDIR", QByteArray::fromStdString(work_->path().toStdString() + "/runs"));
  }

  void cleanup() {
    qunsetenv("TMPDIR");
    work_.reset();
  }

  void detailsListEveryBitmapAndShowTheOutputAsWritten() {
    const auto corpus = pressling::test::CorpusDir();
    if (!corpus || !fs::exists(*corpus / kDatabase))
      QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = fs::path(work_->path().toStdString()) / kDatabase;
    fs::copy_file(*corpus / kDatabase, input);

    Form1 form;
    QVERIFY(!form.DetailsAction().isEnabled());
    QVERIFY(form.ShowDetails() == nullptr);
    RunResult result;
    form.SetConverter([&](const std::string& path, pressling::ReportSurface& surface,
                          const pressling::EventPass& eventPass, const pressling::ConversionOptions& options) {
      result = pressling::ConvertDatabase(path, surface, eventPass, options);
      return result;
    });
    form.ThoroughAction().setChecked(true);
    QVERIFY(form.StartRun(QString::fromStdString(input.string())));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(result.outcome, pressling::RunOutcome::Converted);
    QVERIFY(form.DetailsAction().isEnabled());

    form.DetailsAction().trigger();
    auto* dialog = form.findChild<DetailsDialog*>();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->RowCount(), int(result.bitmaps.size()));
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("DetailsMessage")) == nullptr);

    // The largest rewritten bitmap of low density and the rewritten one of
    // double density with transparent pixels: their pictures after are the
    // output's bitmaps rendered.
    auto output = pressling::ReadWholeFile(result.outputPath);
    QVERIFY(output.ok());
    int row = -1;
    int transparent = 0;
    for (const auto& [density, scale] : {std::pair{72, 2}, std::pair{144, 1}}) {
      int chosen = -1;
      for (int i = 0; i < dialog->RowCount(); ++i) {
        const BitmapRecord& record = result.bitmaps[i];
        if (!record.after || record.density != density) continue;
        if (density == 144 ? record.resourceId == kTransparentId
                           : chosen < 0 || record.width * record.height >
                                               result.bitmaps[chosen].width * result.bitmaps[chosen].height)
          chosen = i;
      }
      QVERIFY2(chosen >= 0, qPrintable(QStringLiteral("no rewritten bitmap of density %1").arg(density)));
      auto bytes = pressling::LocateBitmap(*output, result.bitmaps[chosen], pressling::RunSide::Output);
      QVERIFY(bytes.ok());
      auto picture = pressling::RenderBitmapPicture(*bytes);
      QVERIFY(picture.ok());
      QVERIFY(dialog->Picture(chosen, true) != nullptr);
      ComparePicture(*dialog->Picture(chosen, true), *picture, scale, transparent);
      if (QTest::currentTestFailed()) return;
      if (row < 0) row = chosen;
    }
    QVERIFY(transparent > 0);
    // Every row with a picture before has one after: the output holds every bitmap it reached.
    for (int i = 0; i < dialog->RowCount(); ++i)
      QCOMPARE(dialog->Picture(i, true) != nullptr, dialog->Picture(i, false) != nullptr);

    // Closing changes neither the output nor the report.
    const auto report = form.Surface().lines();
    dialog->close();
    QTRY_VERIFY(form.findChild<DetailsDialog*>() == nullptr);
    QVERIFY(pressling::ReadWholeFile(result.outputPath).value() == *output);
    QCOMPARE(form.Surface().lines().size(), report.size());

    // The output is read again at every opening: once changed it shows no picture after.
    std::ofstream(result.outputPath, std::ios::binary | std::ios::app) << '\0';
    dialog = form.ShowDetails();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->RowCount(), int(result.bitmaps.size()));
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("DetailsMessage")) != nullptr);
    QVERIFY(dialog->Picture(row, false) != nullptr);
    QVERIFY(dialog->Picture(row, true) == nullptr);
    fs::remove(result.outputPath);
    dialog = form.ShowDetails();
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("DetailsMessage")) != nullptr);
    for (int i = 0; i < dialog->RowCount(); ++i) QVERIFY(dialog->Picture(i, true) == nullptr);
  }

  void bitmapsDroppedForADeviceShowTheirPictureBeforeAndTheirReason() {
    const auto corpus = pressling::test::CorpusDir();
    if (!corpus || !fs::exists(*corpus / kDatabase))
      QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path input = fs::path(work_->path().toStdString()) / kDatabase;
    fs::copy_file(*corpus / kDatabase, input);

    Form1 form;
    RunResult result;
    form.SetConverter([&](const std::string& path, pressling::ReportSurface& surface,
                          const pressling::EventPass& eventPass, const pressling::ConversionOptions& options) {
      result = pressling::ConvertDatabase(path, surface, eventPass, options);
      return result;
    });
    form.DeviceActions()[1]->trigger();  // any screen
    QVERIFY(form.StartRun(QString::fromStdString(input.string())));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QCOMPARE(result.outcome, pressling::RunOutcome::Converted);
    // The fifth report line names the target.
    QCOMPARE(form.Surface().lines().size(), std::size_t{5});

    DetailsDialog* dialog = form.ShowDetails();
    QVERIFY(dialog != nullptr);
    QString shown;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) shown += label->text() + QLatin1Char('\n');
    int dropped = 0;
    for (int i = 0; i < dialog->RowCount(); ++i) {
      const BitmapRecord& record = result.bitmaps[i];
      if (!record.dropped) continue;
      ++dropped;
      QVERIFY(dialog->Picture(i, true) == nullptr);
      if (record.width > 0) QVERIFY(dialog->Picture(i, false) != nullptr);
      const QString reason = QString::fromStdString(pressling::LeftAloneText(record, form.language()));
      QVERIFY2(shown.contains(reason), qPrintable(reason));
    }
    QVERIFY(dropped > 0);
  }

  void detailsOfARefusedRunSayWhyTheyHoldNoBitmaps() {
    Form1 form;
    form.SetConverter([](const std::string& path, pressling::ReportSurface&, const pressling::EventPass&,
                         const pressling::ConversionOptions&) {
      RunResult refused;
      refused.outcome = pressling::RunOutcome::Refused;
      refused.detail = path + ": the file is too short for a header";
      return refused;
    });
    QVERIFY(form.StartRun(work_->filePath(QStringLiteral("short.prc"))));
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(form.DetailsAction().isEnabled());
    DetailsDialog* dialog = form.ShowDetails();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->RowCount(), 0);
    auto* message = dialog->findChild<QLabel*>(QStringLiteral("DetailsMessage"));
    QVERIFY(message != nullptr);
    QVERIFY(message->text().contains(QStringLiteral("too short for a header")));
    // A second opening replaces the first dialog.
    QVERIFY(form.ShowDetails() != nullptr);
    QTRY_COMPARE(form.findChildren<DetailsDialog*>().size(), qsizetype{1});
  }
};

QTEST_MAIN(DetailsTest)
#include "details_test.moc"
