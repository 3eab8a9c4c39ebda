// The report drawn on the window: kept lines, positions in twips, repaints.
#include <QtTest>

#include "tests/ui/ui_test_support.h"
#include "ui/form1.h"

using pressling::ui::Form1;

class WindowSurfaceTest : public QObject {
  Q_OBJECT

 private slots:
  void printedLinesAreKeptWithTheirPositions() {
    Form1 form;
    auto& surface = form.Surface();
    surface.SetPrintPosition(2600, 400);
    surface.PrintLine("処理中です…");
    QCOMPARE(surface.printX, 0.0f);
    QCOMPARE(surface.printY, 580.0f);
    surface.ClearReport();
    QVERIFY(surface.lines().empty());
    QCOMPARE(surface.printX, 0.0f);
    QCOMPARE(surface.printY, 0.0f);

    surface.SetPrintPosition(2600, 400);
    surface.PrintLine(std::string("アプリ名：Short\0\0\0", 21));
    surface.SetPrintPosition(2600, surface.printY);
    surface.PrintLine("オリジナル：200 byte");
    QCOMPARE(surface.lines().size(), size_t{2});
    // NUL characters of the database name's fill are not drawn.
    QCOMPARE(surface.lines()[0].text, QString::fromUtf8("アプリ名：Short"));
    QCOMPARE(surface.lines()[1].x, 2600.0f);
    QCOMPARE(surface.lines()[1].y, 580.0f);
  }

  void linesAreDrawnAtTheirPixelsAndSurviveRepaints() {
    Form1 form;
    const QImage empty = form.grab().toImage();
    auto& surface = form.Surface();
    surface.SetPrintPosition(2600, 400);
    surface.PrintLine("圧縮率：84.8 %");
    // Printing the same line again draws it once more, a line lower.
    surface.SetPrintPosition(2600, surface.printY);
    surface.PrintLine("圧縮率：84.8 %");
    const QImage printed = form.grab().toImage();
    const int dpi = form.logicalDpiY();
    const int left = qRound(2600.0 * form.logicalDpiX() / 1440);
    for (int top : {400, 580}) {
      int y = qRound(top * dpi / 1440.0);
      int lineHeight = qRound(180.0 * dpi / 1440);
      QVERIFY(pressling::test::ChangedPixels(empty, printed, QRect(left, y, 200, lineHeight)) > 20);
      // Nothing lands left of the line start.
      QCOMPARE(pressling::test::ChangedPixels(empty, printed, QRect(0, y, left - 1, lineHeight)), 0);
    }
    // A repaint, as after the window was covered, draws the same report again.
    form.repaint();
    QCOMPARE(form.grab().toImage(), printed);
    surface.ClearReport();
    QCOMPARE(form.grab().toImage(), empty);
  }

  void textInTheWindowColourOverThePicture() {
    Form1 form;
    auto& surface = form.Surface();
    surface.SetPrintPosition(2600, 400);
    surface.PrintLine("処理中です…処理中です…処理中です…処理中です…処理中です…");
    const QImage shot = form.grab().toImage();
    const QColor text = pressling::ui::ReportTextColour(form);
    // Glyph edges are smoothed; their cores come close to the text colour.
    auto ink = [&](QColor c) {
      return qAbs(c.red() - text.red()) + qAbs(c.green() - text.green()) + qAbs(c.blue() - text.blue()) < 200;
    };
    const int y = qRound(400.0 * form.logicalDpiY() / 1440);
    const int height = qRound(180.0 * form.logicalDpiY() / 1440);
    int inText = 0, panel = 0;
    for (int row = y; row < y + height; ++row) {
      for (int x = 180; x < 340; ++x) {
        inText += ink(shot.pixelColor(x, row));
        panel += shot.pixelColor(x, row) == QColor(255, 255, 198);
      }
    }
    QVERIFY(inText > 20);
    // The picture shows between the glyphs: no background is filled behind them.
    QVERIFY(panel > 200);
    // A line too long for the panel ends with "…" inside it, not wrapped and
    // not cut off at the window's edge.
    QVERIFY(surface.lines()[0].shown.endsWith(QChar(u'…')));
    for (int row = y; row < y + height; ++row)
      for (int x = pressling::ui::WindowSurface::kPanelInnerRight; x < shot.width(); ++x)
        QVERIFY(!ink(shot.pixelColor(x, row)));
    for (int x = 180; x < 340; ++x) QCOMPARE(shot.pixelColor(x, y + height + 2), QColor(255, 255, 198));
  }

  void aLightThemeTextColourFallsBackToBlack() {
    Form1 form;
    QCOMPARE(pressling::ui::ReportTextColour(form), form.palette().color(QPalette::WindowText));
    QPalette dark = form.palette();
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    form.setPalette(dark);
    QCOMPARE(pressling::ui::ReportTextColour(form), QColor(Qt::black));
    dark.setColor(QPalette::WindowText, QColor(0, 0, 128));
    form.setPalette(dark);
    QCOMPARE(pressling::ui::ReportTextColour(form), QColor(0, 0, 128));
  }
};

QTEST_MAIN(WindowSurfaceTest)
#include "window_surface_test.moc"
