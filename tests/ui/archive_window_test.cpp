// An archive given to the window, as its command line gives it: the run
// converts it, the panel shows the archive's five lines, and the details list
// the bitmaps grouped by database.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "language/language.h"
#include "tests/common/corpus.h"
#include "tests/database/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/details_dialog.h"
#include "ui/form1.h"

namespace fs = std::filesystem;
using pressling::ui::DetailsDialog;
using pressling::ui::Form1;
using pressling::ui::WindowSurface;

namespace {

constexpr int kRunTimeoutMs = 60000;

// Builds name in folder with Python's zipfile from corpus databases, stored under entry names.
bool MakeArchive(const QString& path, const QStringList& entriesAndSources) {
  QString script = QStringLiteral(
      "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
      "for i in range(2, len(sys.argv), 2): z.write(sys.argv[i + 1], sys.argv[i])\n"
      "z.close()\n");
  return QProcess::execute(QStringLiteral("python3"),
                           QStringList{QStringLiteral("-c"), script, path} + entriesAndSources) == 0;
}

// The archive both tests give the window: IR-Pong2, and Mulg in a subfolder under an upper-case name.
bool MakeAppsArchive(const QString& path, const fs::path& corpus) {
  return MakeArchive(
      path,
      {QStringLiteral("IR-Pong2.prc"), QString::fromStdString((corpus / "harbaum__palmos__IR-Pong2.prc").string()),
       QStringLiteral("sub/MULG.PRC"), QString::fromStdString((corpus / "harbaum__palmos__mulg.prc").string())});
}

}  // namespace

class ArchiveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void anArchiveConvertsAndShowsItsFiveLines() {
    if (!pressling::test::CorpusDir()) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path corpus = *pressling::test::CorpusDir();
    QTemporaryDir folder;
    const QString archive = folder.filePath(QStringLiteral("apps.zip"));
    QVERIFY(MakeAppsArchive(archive, corpus));

    Form1 form;
    form.show();
    QVERIFY(form.StartRun(archive));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("apps_comp.zip"))));

    QStringList shown;
    for (const auto& line : form.Surface().lines()) shown.push_back(line.text);
    QCOMPARE(
        shown,
        (QStringList{QString::fromUtf8("アーカイブ名：apps.zip"), QString::fromUtf8("展開時のサイズ（byte）"),
                     QString::fromUtf8("オリジナル：79807"), QString::fromUtf8("圧縮処理後：79103"),
                     QString::fromUtf8("圧縮率：99.1 %")}));

    DetailsDialog* details = form.ShowDetails();
    QVERIFY(details != nullptr);
    QStringList groups;
    for (QLabel* label : details->findChildren<QLabel*>(QStringLiteral("DetailsGroup")))
      groups.push_back(label->text());
    QCOMPARE(groups, (QStringList{QStringLiteral("<b>apps.zip:IR-Pong2.prc</b>"),
                                  QStringLiteral("<b>apps.zip:sub/MULG.PRC</b>")}));
    // IR-Pong2's bitmaps and Mulg's: 68 and 8, with pictures of IR-Pong2 after
    // its conversion, read from inside the new archive.
    QCOMPARE(details->RowCount(), 76);
    QVERIFY(details->Picture(3, false) != nullptr);
    QVERIFY(details->Picture(3, true) != nullptr);
    QVERIFY(details->Picture(68, true) == nullptr);
  }

  void anArchivesDetailsSpeakTheWindowsLanguage() {
    if (!pressling::test::CorpusDir()) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    const fs::path corpus = *pressling::test::CorpusDir();
    QTemporaryDir folder;
    const QString archive = folder.filePath(QStringLiteral("apps.zip"));
    QVERIFY(MakeAppsArchive(archive, corpus));

    Form1 form(pressling::Language::FromTag("en"));
    QVERIFY(form.StartRun(archive));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    DetailsDialog* details = form.ShowDetails();
    QVERIFY(details != nullptr);
    QString shown = details->windowTitle();
    for (QLabel* label : details->findChildren<QLabel*>()) shown += QLatin1Char('\n') + label->text();
    for (QChar c : shown) QVERIFY2(c.unicode() < 0x3000, qPrintable(shown));
    for (const char* text : {"Before: apps.zip  After: apps_comp.zip", "Compression: none → RLE",
                             "apps.zip:sub/MULG.PRC: The compression had no effect, so no output file was made."})
      QVERIFY2(shown.contains(QString::fromUtf8(text)), text);
  }

  // German has the longest words of the window's languages. After an archive
  // with a 31-character name, and after a database with one, every pixel the
  // report changes lies inside the panel's border.
  void aGermanReportStaysInsideThePanel() {
    using namespace pressling::test;
    QTemporaryDir folder;
    const fs::path dir = folder.path().toStdString();
    WriteBytes(dir / "app.prc", MakeDatabase("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                                             {{Type("Tbmp"), {0x0B, 0xB8}, ZeroBitmapV2(4096)}}));
    const QString archive = folder.filePath(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWW.zip"));
    QVERIFY(MakeArchive(archive, {QStringLiteral("app.prc"), folder.filePath(QStringLiteral("app.prc"))}));

    Form1 form(pressling::Language::FromTag("de"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage empty = form.grab().toImage();
    // The pale-yellow ground inside the border and its blended edge.
    const QRect inside = WindowSurface::kPanel.adjusted(2, 2, -3, -3);
    for (const QString& input : {archive, folder.filePath(QStringLiteral("app.prc"))}) {
      QVERIFY(form.StartRun(input));
      QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
      const QStringList full = form.Surface().FullLines();
      QVERIFY2(full.size() >= 4 && (full[0].endsWith(QStringLiteral("WWWWWWWWWWWWWWWW")) ||
                                    full[0].endsWith(QStringLiteral("W.zip"))),
               qPrintable(full.join(QLatin1Char('\n'))));
      const QImage shot = form.grab().toImage();
      QVERIFY(ChangedPixels(empty, shot, inside) > 200);
      const int w = shot.width(), h = shot.height();
      const int outside = ChangedPixels(empty, shot, QRect(0, 0, w, inside.top())) +
                          ChangedPixels(empty, shot, QRect(0, inside.bottom() + 1, w, h)) +
                          ChangedPixels(empty, shot, QRect(0, inside.top(), inside.left(), inside.height())) +
                          ChangedPixels(empty, shot, QRect(inside.right() + 1, inside.top(), w, inside.height()));
      QVERIFY2(outside == 0, qPrintable(full.join(QLatin1Char('\n'))));
      // The archive's name is too long for the panel and ends in "…" there.
      if (input == archive) QVERIFY(form.Surface().lines()[0].shown.endsWith(QChar(u'…')));
    }
    // The archive was written: its report had all five lines.
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWW_comp.zip"))));
  }
};

QTEST_MAIN(ArchiveWindowTest)
#include "archive_window_test.moc"
