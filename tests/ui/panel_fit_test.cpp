// Every line a run can print fits the window's report panel, in every
// language and at the largest values a run can produce, measured in the
// window's own font on the offscreen platform. Only a name is cut short, with
// "…" at its end; the panel's tool tip holds it whole.
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QToolTip>
#include <QtTest>
#include <array>
#include <cstring>
#include <tuple>

#include "archive/archive_rules.h"
#include "database/report_lines.h"
#include "database/report_text.h"
#include "language/language.h"
#include "ui/form1.h"

using pressling::ArchiveEnd;
using pressling::ArchiveTotals;
using pressling::ErrorKind;
using pressling::Language;
using pressling::RunOutcome;
using pressling::RunResult;
using pressling::ui::Form1;
using pressling::ui::WindowSurface;

namespace {

constexpr float kLineX = 2600;
constexpr float kFirstLineY = 400;

// A database name as the header holds it: 31 characters and the closing NUL.
std::array<std::uint8_t, 32> NameField(const char* bytes) {
  std::array<std::uint8_t, 32> field{};
  std::memcpy(field.data(), bytes, std::min<std::size_t>(std::strlen(bytes), 31));
  return field;
}

// The widest names a header can give, as the report shows them (16 characters).
std::vector<std::string> WidestNames() {
  std::string kana;  // 15 x "あ" in code page 932, then one more letter
  for (int i = 0; i < 15; ++i) kana += "\x82\xA0";
  kana += "W";
  return {pressling::DecodeAppName(NameField("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW")),
          pressling::DecodeAppName(NameField(kana.c_str()))};
}

// The largest figures: a database just under 16 MiB, a file far too large.
RunResult Database(RunOutcome outcome, ErrorKind kind, const std::string& name, std::uint64_t inputLength) {
  RunResult result;
  result.outcome = outcome;
  result.failureKind = kind;
  result.report.appName = name;
  result.report.inputLength = inputLength;
  result.report.inputSize = static_cast<std::int32_t>(std::min<std::uint64_t>(inputLength, 16777215));
  result.report.resultSize = 16777215;
  result.report.ratio = 99.04;
  return result;
}

struct Report {
  const char* form;
  std::vector<std::string> lines;
};

// Every report form of a language at its widest.
std::vector<Report> WidestReports(const Language& language) {
  std::vector<Report> reports;
  reports.push_back({"progress", {pressling::ProgressLine(language), language.Tr("Working on the archive…")}});
  for (const std::string& name : WidestNames()) {
    using K = ErrorKind;
    reports.push_back({"converted", ReportLines(Database(RunOutcome::Converted, K::FileOperation, name, 16777215),
                                                language)});
    reports.push_back({"no effect", ReportLines(Database(RunOutcome::NoEffect, K::FileOperation, name, 16777215),
                                                language)});
    for (K kind : {K::NotDatabase, K::Corrupt})
      reports.push_back({"refused", ReportLines(Database(RunOutcome::Refused, kind, name, 16777215), language)});
    reports.push_back({"too large", ReportLines(Database(RunOutcome::Refused, K::TooLarge, name, 9999999999), language)});
    reports.push_back({"failed", ReportLines(Database(RunOutcome::Failed, K::FileOperation, name, 16777215), language)});
  }
  ArchiveTotals totals;
  totals.unpackedBefore = 9999999999;
  totals.unpackedAfter = 9999999999;
  const std::string archive = "WWWWWWWWWWWWWWWWWWWWWWWWWWW.zip";  // 31 characters
  reports.push_back({"archive", ArchiveReportLines(archive, ArchiveEnd::Written, totals, "", language)});
  reports.push_back({"archive without effect", ArchiveReportLines(archive, ArchiveEnd::NoEffect, totals, "", language)});
  reports.push_back({"archive refused", ArchiveReportLines(archive, ArchiveEnd::Refused, {},
                                                           pressling::NotArchiveText(language), language)});
  reports.push_back({"archive failed", ArchiveReportLines(archive, ArchiveEnd::Failed, {},
                                                          pressling::ArchiveFailureText(language), language)});
  return reports;
}

void PrintReport(WindowSurface& surface, const std::vector<std::string>& lines) {
  surface.ClearReport();
  surface.SetPrintPosition(kLineX, kFirstLineY);
  for (const std::string& line : lines) {
    surface.SetPrintPosition(kLineX, surface.printY);
    surface.PrintLine(line);
  }
}

}  // namespace

class PanelFitTest : public QObject {
  Q_OBJECT

 private slots:
  void everyLineFitsThePanelInEveryLanguage() {
    for (const std::string& tag : Language::Tags()) {
      const Language language = Language::FromTag(tag);
      Form1 form(language);
      // The real face, not a fallback: the widths below are those a user sees.
      const QString family = QFontInfo(form.font()).family();
      QVERIFY2(family.contains(QStringLiteral("Gothic")) || family.contains(QString::fromUtf8("ゴシック")),
               qPrintable(family));
      const QFontMetricsF metrics(form.font(), &form);
      const double left = 2600.0 * form.logicalDpiX() / 1440;
      double widest = 0;  // of the lines shown whole
      QString widestLine;
      for (const Report& report : WidestReports(language)) {
        PrintReport(form.Surface(), report.lines);
        const auto& lines = form.Surface().lines();
        QCOMPARE(lines.size(), report.lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
          const QString where =
              QStringLiteral("%1, %2, line %3: %4").arg(QString::fromStdString(tag), report.form).arg(i + 1).arg(lines[i].text);
          const double right = left + metrics.horizontalAdvance(lines[i].shown);
          QVERIFY2(right <= WindowSurface::kPanelInnerRight, qPrintable(where + QStringLiteral(" ends at %1").arg(right)));
          const double bottom = lines[i].y * form.logicalDpiY() / 1440 + metrics.height();
          QVERIFY2(bottom <= WindowSurface::kPanel.bottom() - 1, qPrintable(where));
          // Only a name (the first line after a run) may be cut short; every
          // other text is short enough in its catalog to be shown whole.
          const bool name = i == 0 && std::string_view(report.form) != "progress";
          QString whole = lines[i].text;
          if (tag != "ja") whole.replace(QChar(u'\u2019'), QChar(u'\''));
          if (!name) {
            QVERIFY2(lines[i].shown == whole, qPrintable(where + QStringLiteral(" shown as ") + lines[i].shown));
            if (right > widest) std::tie(widest, widestLine) = std::pair(right, lines[i].shown);
          } else if (lines[i].shown != whole) {
            QVERIFY2(lines[i].shown.endsWith(QChar(u'…')), qPrintable(where));
            QVERIFY2(whole.startsWith(lines[i].shown.chopped(1)), qPrintable(where));
          }
        }
        // The lines as printed stay whole, for the tool tip and assistive technology.
        QStringList printed;
        for (const std::string& line : report.lines) printed << QString::fromStdString(line);
        QCOMPARE(form.Surface().FullLines(), printed);
      }
      qInfo("%s: the widest whole line ends at x %.1f of %d: %s", tag.c_str(), widest, WindowSurface::kPanelInnerRight,
            qPrintable(widestLine));
    }
  }

  void aWideNameIsCutAtALetterWithAnEllipsis() {
    Form1 japanese;
    const QString label = QString::fromUtf8("アプリ名：");
    const QString name = QString::fromStdString(WidestNames()[1]);
    PrintReport(japanese.Surface(), {(label + name).toStdString()});
    const QString shown = japanese.Surface().lines()[0].shown;
    QVERIFY(shown.startsWith(label + name.left(3)));
    QVERIFY(shown.endsWith(QChar(u'…')));
    QCOMPARE(QString(shown).chopped(1), (label + name).left(shown.size() - 1));
    // The four lines of a Japanese report keep their text as they are.
    PrintReport(japanese.Surface(), {"アプリ名：MyApp", "オリジナル：16777215 byte", "圧縮処理後：16777215 byte",
                                     "圧縮率：99.0 %"});
    for (const auto& line : japanese.Surface().lines()) QCOMPARE(line.shown, line.text);
    // A Japanese window draws the typographic apostrophe as its own face does.
    PrintReport(japanese.Surface(), {"n’a"});
    QCOMPARE(japanese.Surface().lines()[0].shown, QString::fromUtf8("n’a"));

    Form1 french(Language::FromTag("fr"));
    PrintReport(french.Surface(), {"Aucun fichier n’a été écrit"});
    QCOMPARE(french.Surface().lines()[0].shown, QString::fromUtf8("Aucun fichier n'a été écrit"));
    QCOMPARE(french.Surface().FullLines(), QStringList{QString::fromUtf8("Aucun fichier n’a été écrit")});
  }

  void thePanelsToolTipHoldsTheWholeReport() {
    Form1 form(Language::FromTag("de"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const std::string name = "Programm: WWWWWWWWWWWWWWWWWWWWWWWWWW<b>";
    PrintReport(form.Surface(), {name, "Original: 16777215 Byte"});
    QVERIFY(form.Surface().lines()[0].shown.endsWith(QChar(u'…')));
    const QPoint inPanel = WindowSurface::kPanel.center();
    QHelpEvent help(QEvent::ToolTip, inPanel, form.mapToGlobal(inPanel));
    QCoreApplication::sendEvent(&form, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    // The name whole, its markup-like letters as letters.
    QVERIFY2(QToolTip::text().contains(QStringLiteral("WWWWWWWWWW&lt;b&gt;\nOriginal: 16777215 Byte")),
             qPrintable(QToolTip::text()));
    // Outside the panel, and over an empty panel, there is none.
    QHelpEvent outside(QEvent::ToolTip, QPoint(5, 190), form.mapToGlobal(QPoint(5, 190)));
    QCoreApplication::sendEvent(&form, &outside);
    QTRY_VERIFY(!QToolTip::isVisible());
    form.Surface().ClearReport();
    QCoreApplication::sendEvent(&form, &help);
    QTRY_VERIFY(!QToolTip::isVisible());
  }
};

QTEST_MAIN(PanelFitTest)
#include "panel_fit_test.moc"
