// The main window's fixed layout and its artwork.
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QRawFont>
#include <QtTest>

#include "ui/form1.h"
#include "ui/link_label.h"

using pressling::ui::Form1;

class Form1Test : public QObject {
  Q_OBJECT

 private:
  static int Px(double twips, int dpi) { return qRound(twips * dpi / 1440.0); }

 private slots:

  void windowHasFixedClientAreaAndOnlyACloseButton() {
    Form1 form;
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Dorv's Pressling V0.91"));
    const int dpi = form.logicalDpiX();
    QCOMPARE(form.size(), QSize(Px(5745, dpi), Px(3165, form.logicalDpiY())));
    if (dpi == 96) QCOMPARE(form.size(), QSize(383, 211));
    QCOMPARE(form.minimumSize(), form.size());
    QCOMPARE(form.maximumSize(), form.size());
    Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(form.acceptDrops());
    QVERIFY(!form.windowIcon().isNull());
  }

  void controlsSitAtTheirTwipPositions() {
    Form1 form;
    const int dpi = form.logicalDpiX();
    QLabel* label = form.findChild<QLabel*>(QStringLiteral("Label3"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->pos(), QPoint(Px(2505, dpi), Px(2640, dpi)));
    // The link stays inside the client area, right of the folder and under the panel.
    QVERIFY(form.rect().contains(label->geometry()));
    QVERIFY(label->geometry().right() <= 353);
    // The link is reached with Tab, never by a click.
    QVERIFY(label->focusPolicy() == Qt::TabFocus);

    QLineEdit* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    QVERIFY(text1 != nullptr);
    QCOMPARE(text1->text(), QStringLiteral("Text1"));
    QCOMPARE(text1->geometry(), QRect(Px(240, dpi), Px(7080, dpi), Px(1935, dpi), Px(255, dpi)));
    QVERIFY(!form.rect().intersects(text1->geometry()));
    // Never seen, Text1 takes no focus; the folder button has it at the start.
    QCOMPARE(text1->focusPolicy(), Qt::NoFocus);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.focusWidget(), form.findChild<QWidget*>(QStringLiteral("FolderButton")));
  }

  void windowFontIsAJapaneseGothicThatDrawsTheReportTexts() {
    Form1 form;
    QFontInfo info(form.font());
    QVERIFY2(info.family() == QStringLiteral("IPAGothic") || info.family() == QString::fromUtf8("ＭＳ ゴシック") ||
                 info.family() == QStringLiteral("MS Gothic"),
             qPrintable(info.family()));
    QCOMPARE(form.font().pointSize(), 9);
    // Every character of the report texts has a glyph in the face itself.
    QRawFont raw = QRawFont::fromFont(form.font());
    const QString texts = QString::fromUtf8(
        "処理中です…アプリ名：オリジナル：圧縮処理後：圧縮率：圧縮効果はありません"
        "ファイル作成しませんでしたPRCファイルではありませんデータベースが壊れています"
        "ファイルが大きすぎますファイル処理に失敗しました byte %0123456789.");
    for (QChar c : texts) QVERIFY2(raw.supportsCharacter(c), qPrintable(QString(c)));
  }

  void backgroundPictureKeepsItsLayoutFacts() {
    QImageReader reader(QStringLiteral(":/artwork/background.bmp"));
    QImage picture = reader.read();
    QVERIFY2(!picture.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(picture.size(), QSize(502, 300));
    QCOMPARE(picture.format(), QImage::Format_Indexed8);
    QCOMPARE(picture.colorCount(), 256);
    // Report panel: cyan border on its left edge, pale yellow inside.
    QCOMPARE(picture.pixelColor(156, 68), QColor(33, 206, 206));
    QCOMPARE(picture.pixelColor(253, 68), QColor(255, 255, 198));
    QCOMPARE(picture.pixelColor(300, 12), QColor(33, 206, 206));
    // The folder covers the middle of its box; the title lettering has ink in its band.
    QVERIFY(picture.pixelColor(75, 90) != QColor(Qt::white));
    int ink = 0;
    for (int y = 138; y <= 173; ++y)
      for (int x = 178; x <= 329; ++x) ink += qGray(picture.pixel(x, y)) < 128;
    QVERIFY(ink > 200);
    // White ground outside the top-left 353 x 174 pixels and under the link.
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (x >= 353 || y >= 174) QCOMPARE(picture.pixelColor(x, y), QColor(Qt::white));
    QCOMPARE(picture.pixelColor(0, 0), QColor(Qt::white));
  }

  void iconsAndCursorHaveTheirSizes() {
    for (int size : {16, 32, 48}) {
      QImage icon(QStringLiteral(":/artwork/icon-%1.png").arg(size));
      QCOMPARE(icon.size(), QSize(size, size));
      QVERIFY(icon.hasAlphaChannel());
    }
    // The icon group holds 48, 32 and 16 pixels at 8 and at 32 bits.
    QImageReader group(QStringLiteral(":/artwork/pressling.ico"));
    if (!group.canRead()) QSKIP("no ICO image plugin");
    QCOMPARE(group.imageCount(), 6);
    QList<QSize> sizes;
    for (int i = 0; i < 6; ++i) {
      QVERIFY(group.jumpToImage(i));
      sizes.push_back(group.read().size());
    }
    QCOMPARE(sizes, (QList<QSize>{{48, 48}, {32, 32}, {16, 16}, {48, 48}, {32, 32}, {16, 16}}));

    pressling::ui::LinkLabel label;
    QCursor cursor = label.cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(12, 3));
    QImage hand = cursor.pixmap().toImage();
    QCOMPARE(hand.size(), QSize(32, 32));
    // The hot spot is on the white finger tip, just under its black outline.
    QCOMPARE(hand.pixelColor(12, 3), QColor(Qt::white));
    QCOMPARE(hand.pixelColor(12, 2), QColor(Qt::black));
    QCOMPARE(hand.pixelColor(0, 0).alpha(), 0);
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
