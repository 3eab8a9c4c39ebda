// The window without a mouse: Tab and Shift+Tab between the folder button and
// the link, with a focus mark that only the keyboard brings and that is the
// only change of the picture; Enter and Space on both; the context menu from
// the Menu key and from Shift+F10 under the focused control, its entries by
// arrow keys and accelerators; Escape; the details dialog's rows by Tab.
// Keys go through the window as the platform delivers them.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <filesystem>

#include "tests/common/corpus.h"
#include "tests/ui/ui_test_support.h"
#include "ui/details_dialog.h"
#include "ui/form1.h"
#include "ui/link_label.h"

namespace fs = std::filesystem;
using pressling::Language;
using pressling::ui::DetailsDialog;
using pressling::ui::Form1;
using pressling::ui::LinkLabel;

namespace {

constexpr char kDatabase[] = "harbaum__palmos__IR-Pong2.prc";
constexpr int kMarkGap = 2;  // pixels between a control and its focus mark
constexpr int kRunTimeoutMs = 60000;

// A run that prints nothing and writes nothing.
pressling::RunResult NoEffect(const std::string&, pressling::ReportSurface&, const pressling::EventPass&,
                              const pressling::ConversionOptions&) {
  pressling::RunResult result;
  result.outcome = pressling::RunOutcome::NoEffect;
  return result;
}

void Press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(window.windowHandle(), key, modifiers);
}

QAbstractButton* Folder(Form1& form) { return form.findChild<QAbstractButton*>(QStringLiteral("FolderButton")); }

template <typename T>
T* Shown(QObject& owner) {
  for (T* widget : owner.findChildren<T*>())
    if (widget->isVisible()) return widget;
  return nullptr;
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private:
  void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void tabMovesBetweenFolderAndLinkAndOnlyTheMarkShows() {
    Form1 form;
    ShowActive(form);
    QAbstractButton* folder = Folder(form);
    LinkLabel* link = &form.Label3();
    QCOMPARE(QApplication::focusWidget(), folder);
    QCOMPARE(folder->focusPolicy(), Qt::TabFocus);
    QCOMPARE(link->focusPolicy(), Qt::TabFocus);
    // Focused at the start, the folder shows no mark: the window looks as without focus.
    const QImage start = form.grab().toImage();
    folder->clearFocus();
    QCOMPARE(form.grab().toImage(), start);
    folder->setFocus();

    Press(form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), link);
    const QImage onLink = form.grab().toImage();
    const QRect linkMark = link->geometry().adjusted(-kMarkGap, -kMarkGap, kMarkGap, kMarkGap);
    QVERIFY(pressling::test::ChangedPixels(start, onLink, linkMark) > 0);
    QCOMPARE(pressling::test::ChangedPixels(start, onLink, form.rect()),
             pressling::test::ChangedPixels(start, onLink, linkMark));
    // The mark lies around the link, not on its letters.
    QCOMPARE(pressling::test::ChangedPixels(start, onLink, link->geometry()), 0);

    Press(form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), folder);
    const QImage onFolder = form.grab().toImage();
    const QRect folderMark = folder->geometry().adjusted(-kMarkGap, -kMarkGap, kMarkGap, kMarkGap);
    QVERIFY(pressling::test::ChangedPixels(start, onFolder, folderMark) > 0);
    QCOMPARE(pressling::test::ChangedPixels(start, onFolder, form.rect()),
             pressling::test::ChangedPixels(start, onFolder, folderMark));
    Press(form, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), link);
    Press(form, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), folder);
    QCOMPARE(form.grab().toImage(), onFolder);

    // A click on the picture hides the mark; the focus stays.
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(250, 60));
    QCOMPARE(QApplication::focusWidget(), folder);
    QCOMPARE(form.grab().toImage(), start);
  }

  void enterAndSpaceActivateTheFolderAndTheLink() {
    Form1 form;
    int opened = 0;
    form.Label3().SetOpener([&opened](const QUrl& url, const pressling::ui::OpenDone& done) {
      QCOMPARE(url.toString(), QString::fromLatin1(pressling::ui::HomePageAddress));
      ++opened;
      done(true);
    });
    ShowActive(form);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
      Press(form, key);
      QFileDialog* dialog = nullptr;
      QTRY_VERIFY((dialog = Shown<QFileDialog>(form)) != nullptr);
      QTRY_VERIFY(dialog->isActiveWindow());
      Press(*dialog, Qt::Key_Escape);
      QTRY_VERIFY(Shown<QFileDialog>(form) == nullptr);
      ShowActive(form);
      QCOMPARE(QApplication::focusWidget(), Folder(form));
    }
    Press(form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &form.Label3());
    Press(form, Qt::Key_Return);
    Press(form, Qt::Key_Space);
    QCOMPARE(opened, 2);
    QCOMPARE(form.Label3().TextColour(), QColor::fromRgb(LinkLabel::kVisitedColour));
  }

  void menuKeyAndShiftF10OpenTheMenuUnderTheFocusedControl() {
    Form1 form;
    ShowActive(form);
    const QList<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys{{Qt::Key_Menu, Qt::NoModifier},
                                                                {Qt::Key_F10, Qt::ShiftModifier}};
    for (QWidget* control : {static_cast<QWidget*>(Folder(form)), static_cast<QWidget*>(&form.Label3())}) {
      if (QApplication::focusWidget() != control) Press(form, Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), control);
      for (const auto& [key, modifiers] : keys) {
        Press(form, key, modifiers);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = Shown<QMenu>(form)) != nullptr);
        QCOMPARE(menu->pos(), control->mapToGlobal(QPoint(0, control->height())));
        // The first entry is selected, so the arrows start from it.
        QCOMPARE(menu->activeAction(), &form.ThoroughAction());
        Press(form, Qt::Key_Escape);
        QTRY_VERIFY(Shown<QMenu>(form) == nullptr);
        QTRY_COMPARE(QApplication::focusWidget(), control);
      }
    }
  }

  void thoroughModeAndDetailsWithoutAMouse() {
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("input.prc"));
    QFile(input).open(QIODevice::WriteOnly);
    Form1 form;  // Japanese: the accelerators are the letters in brackets
    form.SetConverter(NoEffect);
    ShowActive(form);
    QAction& thorough = form.ThoroughAction();

    // Enter on the selected first entry.
    Press(form, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(Shown<QMenu>(form) != nullptr);
    Press(form, Qt::Key_Return);
    QTRY_VERIFY(Shown<QMenu>(form) == nullptr);
    QVERIFY(thorough.isChecked());
    // Its accelerator.
    Press(form, Qt::Key_Menu);
    QTRY_VERIFY(Shown<QMenu>(form) != nullptr);
    Press(form, Qt::Key_T);
    QTRY_VERIFY(Shown<QMenu>(form) == nullptr);
    QVERIFY(!thorough.isChecked());
    // Down to the device submenu, then past the details, disabled before a run,
    // round to the first entry.
    Press(form, Qt::Key_Menu);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = Shown<QMenu>(form)) != nullptr);
    Press(form, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), form.DeviceMenu().menuAction());
    Press(form, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), &thorough);
    Press(form, Qt::Key_Escape);
    QTRY_VERIFY(Shown<QMenu>(form) == nullptr);

    QVERIFY(form.StartRun(input));
    QTRY_VERIFY(!form.IsBusy());
    ShowActive(form);
    Press(form, Qt::Key_Menu);
    QTRY_VERIFY((menu = Shown<QMenu>(form)) != nullptr);
    Press(form, Qt::Key_Down);
    Press(form, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), &form.DetailsAction());
    Press(form, Qt::Key_Escape);
    QTRY_VERIFY(Shown<QMenu>(form) == nullptr);
    Press(form, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(Shown<QMenu>(form) != nullptr);
    Press(form, Qt::Key_D);
    DetailsDialog* details = nullptr;
    QTRY_VERIFY((details = Shown<DetailsDialog>(form)) != nullptr);
    ShowActive(*details);
    Press(*details, Qt::Key_Escape);
    QTRY_VERIFY(Shown<DetailsDialog>(form) == nullptr);
  }

  void detailsRowsAreReachedWithTabAndNamed() {
    const auto corpus = pressling::test::CorpusDir();
    if (!corpus || !fs::exists(*corpus / kDatabase)) QSKIP("no Palm corpus at ../shared/corpus/real beside the checkout");
    QTemporaryDir folder;
    const fs::path input = fs::path(folder.path().toStdString()) / "IR-Pong2.prc";
    fs::copy_file(*corpus / kDatabase, input);
    Form1 form(Language::FromTag("en"));
    form.StartRun(QString::fromStdString(input.string()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), kRunTimeoutMs);
    DetailsDialog* details = form.ShowDetails();
    QVERIFY(details != nullptr);
    ShowActive(*details);
    const QList<QLabel*> rows = details->findChildren<QLabel*>(QStringLiteral("DetailsRow"));
    QCOMPARE(rows.size(), details->RowCount());
    QVERIFY(rows.size() >= 2);

    // Every row comes with Tab, scrolled into view, on the way round too.
    QList<QWidget*> reached;
    for (int i = 0; i < rows.size() + 5; ++i) {
      QWidget* focused = QApplication::focusWidget();
      reached.push_back(focused);
      if (rows.contains(focused)) QVERIFY2(!focused->visibleRegion().isEmpty(), qPrintable(QString::number(i)));
      Press(*details, Qt::Key_Tab);
    }
    for (int row = 0; row < rows.size(); ++row) {
      QLabel* text = rows[row];
      QVERIFY2(reached.contains(text), qPrintable(QString::number(row)));
      // Name: the first line as shown; description: the others, one per line.
      QTextDocument document;
      document.setHtml(text->text());
      const QStringList shown = document.toPlainText().split(QRegularExpression(QStringLiteral("[\n\u2028]")));
      QCOMPARE(shown.size(), 4);
      const QString& title = shown[0];
      QAccessibleInterface* row_ = QAccessible::queryAccessibleInterface(text);
      QVERIFY(row_ != nullptr);
      QCOMPARE(row_->text(QAccessible::Name), title);
      QCOMPARE(row_->text(QAccessible::Description), shown.mid(1).join(QLatin1Char('\n')));
      QVERIFY(row_->state().focusable);
      for (bool after : {false, true}) {
        QLabel* picture = details->Picture(row, after);
        if (picture == nullptr) continue;
        QAccessibleInterface* side = QAccessible::queryAccessibleInterface(picture);
        QCOMPARE(side->text(QAccessible::Name), title + (after ? QStringLiteral(", after") : QStringLiteral(", before")));
      }
    }
    const QPointer<DetailsDialog> shown(details);
    Press(*details, Qt::Key_Escape);
    QTRY_VERIFY(!shown || !shown->isVisible());
  }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
