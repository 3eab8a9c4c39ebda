// The home-page link: opening through the opener and the visited colour.
#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/link_label.h"

using pressling::ui::LinkLabel;

namespace {

// Puts only folder on the PATH for the life of the object.
class PathOverride {
 public:
  explicit PathOverride(const QString& folder) : old_(qgetenv("PATH")) { qputenv("PATH", QFile::encodeName(folder)); }
  ~PathOverride() { qputenv("PATH", old_); }

 private:
  QByteArray old_;
};

// Writes folder/xdg-open: it notes its arguments in folder/calls, waits while
// folder/hold exists, and exits with status.
void WriteFakeXdgOpen(const QString& folder, int status) {
  QFile script(folder + QStringLiteral("/xdg-open"));
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write(QStringLiteral("#!/bin/sh\n"
                              "printf '%s\\n' \"$*\" >> \"${0%/*}/calls\"\n"
                              "while [ -e \"${0%/*}/hold\" ]; do /bin/sleep 0.05; done\n"
                              "exit %1\n")
                   .arg(status)
                   .toUtf8());
  script.close();
  QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

// Stands in for the desktop's URL handling when xdg-open is absent.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

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
    label.SetOpener([&](const QUrl& url, const pressling::ui::OpenDone& done) {
      opened.push_back(url);
      done(true);
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
    label.SetOpener([&](const QUrl&, const pressling::ui::OpenDone& done) {
      ++attempts;
      done(false);
    });
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(attempts, 1);
    QCOMPARE(label.TextColour(), QColor(0, 0, 255));
  }

  void onlyALeftClickOnTheLabelOpens() {
    LinkLabel label;
    int attempts = 0;
    label.SetOpener([&](const QUrl&, const pressling::ui::OpenDone& done) { done(++attempts > 0); });
    QTest::mouseClick(&label, Qt::RightButton);
    // Pressed on the label, released outside it.
    QTest::mousePress(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(label.width() + 20, 2));
    QCOMPARE(attempts, 0);
    QCOMPARE(label.TextColour(), QColor(0, 0, 255));
  }

  void xdgOpenExitStatusDecidesTheColourWithoutBlockingTheWindow() {
    for (int status : {1, 0}) {
      QTemporaryDir bin;
      WriteFakeXdgOpen(bin.path(), status);
      PathOverride path(bin.path());
      LinkLabel label;
      QSignalSpy finished(&label, &LinkLabel::OpenFinished);
      QFile hold(bin.filePath(QStringLiteral("hold")));
      QVERIFY(hold.open(QIODevice::WriteOnly));

      // The click returns while xdg-open is still running, and nothing changes yet.
      QTest::mouseClick(&label, Qt::LeftButton);
      QTRY_VERIFY(QFile::exists(bin.filePath(QStringLiteral("calls"))));
      QTest::qWait(100);
      QCOMPARE(finished.count(), 0);
      QCOMPARE(label.TextColour(), QColor(0, 0, 255));

      QVERIFY(hold.remove());
      QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
      QCOMPARE(finished.at(0).at(0).toBool(), status == 0);
      QCOMPARE(label.TextColour(), status == 0 ? QColor(192, 128, 192) : QColor(0, 0, 255));
      QCOMPARE(ReadAll(bin.filePath(QStringLiteral("calls"))),
               QString::fromLatin1(pressling::ui::HomePageAddress) + QLatin1Char('\n'));
    }
  }

  void withoutXdgOpenTheDesktopServicesOpenTheAddress() {
    QTemporaryDir emptyBin;
    PathOverride path(emptyBin.path());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    LinkLabel label;
    QSignalSpy finished(&label, &LinkLabel::OpenFinished);
    QTest::mouseClick(&label, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QString::fromLatin1(pressling::ui::HomePageAddress))});
    QCOMPARE(finished.count(), 1);
    QCOMPARE(label.TextColour(), QColor(192, 128, 192));
  }

  void anAnswerAfterTheLabelIsGoneIsIgnored() {
    pressling::ui::OpenDone late;
    {
      LinkLabel label;
      label.SetOpener([&](const QUrl&, const pressling::ui::OpenDone& done) { late = done; });
      QTest::mouseClick(&label, Qt::LeftButton);
    }
    QVERIFY(late);
    late(true);
  }
};

QTEST_MAIN(LinkLabelTest)
#include "link_label_test.moc"
