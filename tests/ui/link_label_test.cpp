// The home-page link: opening through the opener and the visited colour.
#include <QtTest>

#include "ui/link_label.h"

using pressling::ui::LinkLabel;

class LinkLabelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheAddressInBoldUnderlinedBlue() {
    LinkLabel label;
    QCOMPARE(label.objectName(), QStringLiteral("Label3"));
    QCOMPARE(label.text(), QString::fromLatin1(pressling::ui::HomePageAddress));
    QVERIFY(QUrl(label.text()).isValid());
    QVERIFY(QUrl(label.text()).host().endsWith(QStringLiteral("example.com")));
    QVERIFY(label.font().bold());
    QVERIFY(label.font().underline());
    QCOMPARE(label.font().pointSize(), 9);
    QCOMPARE(label.TextColour(), QColor(0, 0, 255));
    // The caption fits on one line in the label.
    QVERIFY(label.width() >= label.fontMetrics().horizontalAdvance(label.text()));
  }

  void successfulOpenTurnsTheLinkVisited() {
    LinkLabel label;
    QList<QUrl> opened;
    label.SetOpener([&](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{QUrl(QString::fromLatin1(pressling::ui::HomePageAddress))});
    QCOMPARE(label.TextColour(), QColor(192, 128, 192));
    // Each click opens the address again; the colour stays.
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(label.TextColour(), QColor(192, 128, 192));
  }

  void failedOpenChangesNothing() {
    LinkLabel label;
    int attempts = 0;
    label.SetOpener([&](const QUrl&) {
      ++attempts;
      return false;
    });
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(attempts, 1);
    QCOMPARE(label.TextColour(), QColor(0, 0, 255));
  }

  void onlyALeftClickOnTheLabelOpens() {
    LinkLabel label;
    int attempts = 0;
    label.SetOpener([&](const QUrl&) { return ++attempts > 0; });
    QTest::mouseClick(&label, Qt::RightButton);
    // Pressed on the label, released outside it.
    QTest::mousePress(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(label.width() + 20, 2));
    QCOMPARE(attempts, 0);
    QCOMPARE(label.TextColour(), QColor(0, 0, 255));
  }
};

QTEST_MAIN(LinkLabelTest)
#include "link_label_test.moc"
