// The window as assistive technology sees it through Qt: a frame with the
// folder button, the report and the link (Text1 left out), their names in the
// window's language, the report's text equal to the lines the window holds,
// busy during a run. The events reach a screen reader only through a platform
// bridge, which the offscreen platform lacks: tests/ui/atspi_test.py checks them.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/form1.h"
#include "ui/link_label.h"

using pressling::Language;
using pressling::ui::Form1;

namespace {

QString readDuringRun;  // the report's accessible text while the progress line shows

// A run that prints the progress line, notes what the report reads then, and
// clears it and prints two report lines.
pressling::RunResult TwoLines(const std::string&, pressling::ReportSurface& surface, const pressling::EventPass& pass,
                              const pressling::ConversionOptions&) {
  surface.ClearReport();
  surface.SetPrintPosition(2600, 400);
  surface.PrintLine("Working…");
  pass();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* form = qobject_cast<Form1*>(window)) {
      readDuringRun = QAccessible::queryAccessibleInterface(form)->child(1)->textInterface()->text(0, -1);
    }
  }
  surface.ClearReport();
  surface.SetPrintPosition(2600, 400);
  surface.PrintLine("Program name: PONG");
  surface.SetPrintPosition(2600, surface.printY);
  surface.PrintLine(std::string("Before: 12\0 bytes", 17));
  pressling::RunResult result;
  result.outcome = pressling::RunOutcome::NoEffect;
  return result;
}

QAccessibleInterface* Interface(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
  }

  void windowFolderReportAndLinkWithNamesInTheWindowsLanguage_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("reportName");
    QTest::addColumn<QString>("linkName");
    QTest::newRow("en") << "en" << QString::fromUtf8("Choose a .prc or .zip file…") << "Report" << "Home page";
    QTest::newRow("ja") << "ja" << QString::fromUtf8(".prc または .zip ファイルを選ぶ…") << QString::fromUtf8("レポート")
                        << QString::fromUtf8("ホームページ");
  }

  void windowFolderReportAndLinkWithNamesInTheWindowsLanguage() {
    QFETCH(QString, tag);
    QFETCH(QString, folderName);
    QFETCH(QString, reportName);
    QFETCH(QString, linkName);
    {
      const Language language = Language::FromTag(tag.toStdString());
      Form1 form(language);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QAccessibleInterface* window = Interface(&form);
      QCOMPARE(window->role(), QAccessible::Window);
      QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Dorv's Pressling V0.91"));
      QVERIFY(!window->text(QAccessible::Description).isEmpty());
      QCOMPARE(window->childCount(), 3);

      QAccessibleInterface* folder = window->child(0);
      QCOMPARE(folder->role(), QAccessible::Button);
      QCOMPARE(folder->object()->objectName(), QStringLiteral("FolderButton"));
      QCOMPARE(folder->text(QAccessible::Name), folderName);
      QVERIFY(folder->state().focusable);
      QVERIFY(folder->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

      QAccessibleInterface* report = window->child(1);
      QCOMPARE(report->role(), QAccessible::EditableText);
      QCOMPARE(report->text(QAccessible::Name), reportName);
      QVERIFY(report->state().readOnly);
      QVERIFY(report->state().multiLine);
      QVERIFY(!report->state().editable);
      QCOMPARE(report->textInterface()->characterCount(), 0);
      QCOMPARE(report->rect(), QRect(form.mapToGlobal(Form1::kReportPanel.topLeft()), Form1::kReportPanel.size()));

      QAccessibleInterface* link = window->child(2);
      QCOMPARE(link->role(), QAccessible::Link);
      QCOMPARE(link->text(QAccessible::Name), linkName);
      QCOMPARE(link->text(QAccessible::Description), QString::fromLatin1(pressling::ui::HomePageAddress));
      QVERIFY(link->state().focusable);
      QVERIFY(link->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

      for (int i = 0; i < 3; ++i) {
        QCOMPARE(window->indexOfChild(window->child(i)), i);
        QCOMPARE(window->child(i)->parent(), window);
      }
      // Text1, never seen, is not in the tree.
      QCOMPARE(window->indexOfChild(Interface(form.findChild<QWidget*>(QStringLiteral("Text1")))), -1);
    }
  }

  void pressingTheLinkOpensTheAddressAndMarksItVisited() {
    Form1 form(Language::FromTag("en"));
    int opened = 0;
    form.Label3().SetOpener([&opened](const QUrl&, const pressling::ui::OpenDone& done) {
      ++opened;
      done(true);
    });
    QAccessibleInterface* link = Interface(&form.Label3());
    QVERIFY(!link->state().traversed);
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(opened, 1);
    QVERIFY(link->state().traversed);
  }

  void reportTextFollowsTheLinesAndARunIsBusyUntilItsLastLine() {
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("input.prc"));
    QFile(input).open(QIODevice::WriteOnly);
    Form1 form(Language::FromTag("en"));
    form.SetConverter(TwoLines);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QAccessibleInterface* window = Interface(&form);
    QAccessibleInterface* report = window->child(1);

    QVERIFY(form.StartRun(input));
    QVERIFY(window->state().busy);
    QTRY_VERIFY(!form.IsBusy());
    QVERIFY(!window->state().busy);

    QCOMPARE(readDuringRun, QString::fromUtf8("Working…"));
    // The text: every line on screen, one per line, without the NUL padding.
    const QString expected = QStringLiteral("Program name: PONG\nBefore: 12 bytes");
    QCOMPARE(report->textInterface()->text(0, -1), expected);
    QCOMPARE(report->text(QAccessible::Value), expected);
    QCOMPARE(report->textInterface()->characterCount(), int(expected.size()));
    QStringList painted;
    for (const auto& line : form.Surface().lines()) painted << line.text;
    QCOMPARE(painted.join(QLatin1Char('\n')), expected);

  }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
