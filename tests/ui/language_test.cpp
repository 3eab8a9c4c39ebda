// The window in the language of the environment. CTest runs this under
// LANG=en_US.UTF-8, a locale the machine need not have: the menu, the file
// dialog and the details dialog are English, without a Japanese character.
// German is checked by tag, and Qt's own Japanese under the C locale.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMenu>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "database/conversion_run.h"
#include "language/language.h"
#include "tests/database/test_support.h"
#include "ui/details_dialog.h"
#include "ui/form1.h"
#include "ui/qt_translations.h"

namespace fs = std::filesystem;
using pressling::Language;
using pressling::ui::DetailsDialog;
using pressling::ui::Form1;
using pressling::test::Bytes;

namespace {

// Kana, CJK punctuation and ideographs, and the full-width forms.
bool HasJapanese(const QString& text) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) return true;
  }
  return false;
}

// Every text a window shows: its title, its labels with their tool tips and its buttons.
QStringList ShownTexts(const QWidget& window) {
  QStringList texts{window.windowTitle()};
  for (const QLabel* label : window.findChildren<QLabel*>())
    texts << label->text() << label->toolTip() << label->accessibleName();
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
    texts << button->text() << button->toolTip() << button->accessibleName();
  texts << window.accessibleDescription();
  texts.removeAll(QString());
  return texts;
}

QString Joined(const QStringList& texts) { return texts.join(QLatin1Char('\n')); }

// A version-1 bitmap of 16 x 2 pixels at 1 bit, which the classic run leaves alone.
Bytes BitmapV1() {
  return {
      0x00, 0x10,              // width
      0x00, 0x02,              // height
      0x00, 0x02,              // row bytes
      0x00, 0x00,              // flags
      0x01,                    // pixel size
      0x01,                    // version
      0x00, 0x00,              // next depth offset: last bitmap
      0x00, 0x00, 0x00, 0x00,  // reserved
      0xF0, 0x0F,              // row 0
      0x0F, 0xF0,              // row 1
  };
}

// Bytes that no bitmap codec sees, and that make a database large enough
// for a small saving to stay under one percent.
Bytes Ballast(std::size_t size) {
  Bytes bytes(size);
  std::uint32_t x = 12345;
  for (auto& b : bytes) b = static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 24);
  return bytes;
}

}  // namespace

class LanguageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> work_;

  // A database with one bitmap that shrinks and one left alone; with ballast,
  // too large for the saving to count.
  QString WriteDatabase(const char* name, std::size_t ballast) {
    using namespace pressling::test;
    std::vector<TestResource> resources{{Type("Tbmp"), {0x0B, 0xB8}, ZeroBitmapV2(64)},
                                        {Type("Tbmp"), {0x0B, 0xB9}, BitmapV1()}};
    if (ballast > 0) resources.push_back({Type("code"), {0x00, 0x01}, Ballast(ballast)});
    const fs::path path = fs::path(work_->path().toStdString()) / name;
    WriteBytes(path, MakeDatabase("Language test", resources));
    return QString::fromStdString(path.string());
  }

  // Runs path in form with the real conversion, noting the language each run was given.
  static void Run(Form1& form, const QString& path, std::vector<std::string>& languages) {
    form.SetConverter([&languages](const std::string& input, pressling::ReportSurface& surface,
                                   const pressling::EventPass& eventPass, const pressling::ConversionOptions& options) {
      languages.push_back(options.language.tag());
      return pressling::ConvertDatabase(input, surface, eventPass, options);
    });
    QVERIFY(form.StartRun(path));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), 30000);
  }

  static QFileDialog* OpenDialog(Form1& form) {
    form.ShowOpenDialog();
    for (QFileDialog* dialog : form.findChildren<QFileDialog*>())
      if (dialog->isVisible()) return dialog;
    return nullptr;
  }

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

  void init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    fs::create_directories(fs::path(work_->path().toStdString()) / "runs");
    qputenv("TMPDIR", QByteArray::fromStdString(work_->path().toStdString() + "/runs"));
  }

  void cleanup() {
    pressling::ui::InstallQtTranslations(*qApp, Language::FromTag("en"));
    qunsetenv("TMPDIR");
    work_.reset();
  }

  void englishMenuFolderAndFileDialog() {
    const Language english = Language::FromEnvironment();
    QVERIFY2(english.tag() == "en", "run under LANG=en_US.UTF-8, as CTest does");
    QVERIFY(pressling::ui::InstallQtTranslations(*qApp, english));
    Form1 form(english);
    QCOMPARE(form.windowTitle(), QStringLiteral("Dorv's Pressling V0.91"));
    QCOMPARE(form.ThoroughAction().text(), QStringLiteral("&Thorough compression"));
    QCOMPARE(form.DetailsAction().text(), QString::fromUtf8("&Details…"));
    QCOMPARE(form.DeviceMenu().title(), QStringLiteral("De&vice"));
    QCOMPARE(form.DeviceActions()[0]->text(), QStringLiteral("Any device"));
    QCOMPARE(form.DeviceActions()[4]->text(), QStringLiteral("Palm OS 4 and older, 4 greys"));
    QStringList texts{form.ThoroughAction().toolTip(), form.DetailsAction().toolTip()};
    texts << ShownTexts(form);
    QVERIFY2(texts.size() >= 4, qPrintable(Joined(texts)));  // the two tips, the folder's tip, the link
    QVERIFY2(!HasJapanese(Joined(texts)), qPrintable(Joined(texts)));

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QFileDialog* dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Open a PRC file"));
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("PRC files and zip archives (*.prc *.PRC *.zip *.ZIP)")});
    QVERIFY2(!HasJapanese(Joined(ShownTexts(*dialog))), qPrintable(Joined(ShownTexts(*dialog))));
    dialog->reject();
  }

  void englishDetailsOfAWrittenRun() {
    Form1 form(Language::FromEnvironment());
    std::vector<std::string> languages;
    Run(form, WriteDatabase("written.prc", 0), languages);
    QCOMPARE(languages, std::vector<std::string>{"en"});
    // The report in the panel comes from the core in the window's language.
    QStringList report;
    for (const auto& line : form.Surface().lines()) report << line.text;
    QVERIFY2(report.size() == 4 && report[0].startsWith(QStringLiteral("Name: ")) && !HasJapanese(Joined(report)),
             qPrintable(Joined(report)));
    DetailsDialog* dialog = form.ShowDetails();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->RowCount(), 2);
    const QString shown = Joined(ShownTexts(*dialog));
    QVERIFY2(!HasJapanese(shown), qPrintable(shown));
    for (const char* text : {"Details", "Before: written.prc  After: written_comp.prc", "<b>Before</b>",
                             "<b>After</b>", "Compression: none → RLE", "Bytes: 80 → 20",
                             "Size 8×8, 8 bits per pixel, density 72", "Size 16×2, 1 bit per pixel, density 72",
                             "Left alone (compression: none): version 1", "Close"})
      QVERIFY2(shown.contains(QString::fromUtf8(text)), text);
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("DetailsMessage")) == nullptr);
  }

  void englishDetailsOfARunWithoutEffectSayWhatWouldHaveBeen() {
    Form1 form(Language::FromEnvironment());
    std::vector<std::string> languages;
    const QString input = WriteDatabase("ballast.prc", 20000);
    Run(form, input, languages);
    QVERIFY(!QFile::exists(work_->filePath(QStringLiteral("ballast_comp.prc"))));
    DetailsDialog* dialog = form.ShowDetails();
    QVERIFY(dialog != nullptr);
    const QString shown = Joined(ShownTexts(*dialog));
    QVERIFY2(!HasJapanese(shown), qPrintable(shown));
    for (const char* text : {"Before: ballast.prc", "Bytes: 80, would have become 20",
                             "Compression: none, would have become RLE",
                             "The compression had no effect, so no output file was made."})
      QVERIFY2(shown.contains(QString::fromUtf8(text)), text);
    QVERIFY2(!shown.contains(QStringLiteral("After:")) && !shown.contains(QString::fromUtf8("→")), qPrintable(shown));

    // A run that failed after the rebuild has records too; its details do not blame the compression.
    form.SetConverter([](const std::string& path, pressling::ReportSurface& surface,
                         const pressling::EventPass& eventPass, const pressling::ConversionOptions& options) {
      pressling::RunResult result = pressling::ConvertDatabase(path, surface, eventPass, options);
      result.outcome = pressling::RunOutcome::Failed;
      result.detail = path + ": the output could not be written";
      return result;
    });
    QVERIFY(form.StartRun(input));
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsBusy(), 30000);
    const QString failed = Joined(ShownTexts(*form.ShowDetails()));
    QVERIFY2(failed.contains(QStringLiteral("The run did not finish, so no output file was made.")) &&
                 failed.contains(QStringLiteral("Bytes: 80, would have become 20")) &&
                 !failed.contains(QStringLiteral("no effect")),
             qPrintable(failed));
  }

  void germanWindowAndQtsOwnButtons() {
    const Language german = Language::FromTag("de_DE.UTF-8");
    QVERIFY(pressling::ui::InstallQtTranslations(*qApp, german));
    Form1 form(german);
    QCOMPARE(form.ThoroughAction().text(), QString::fromUtf8("&Gründliche Kompression"));
    QCOMPARE(form.DetailsAction().text(), QString::fromUtf8("&Details…"));
    QCOMPARE(form.DeviceMenu().title(), QString::fromUtf8("Ge&rät"));
    QCOMPARE(form.DeviceActions()[0]->text(), QString::fromUtf8("Jedes Gerät"));
    QCOMPARE(form.DeviceActions()[4]->text(), QString::fromUtf8("Palm OS 4 und älter, 4 Graustufen"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QFileDialog* dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QString::fromUtf8("PRC-Datei öffnen"));
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("PRC-Dateien und Zip-Archive (*.prc *.PRC *.zip *.ZIP)")});
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    dialog->reject();

    std::vector<std::string> languages;
    Run(form, WriteDatabase("deutsch.prc", 0), languages);
    QCOMPARE(languages, std::vector<std::string>{"de"});
    const QString shown = Joined(ShownTexts(*form.ShowDetails()));
    for (const char* text :
         {"<b>Vorher</b>", "Kompression: keine → RLE", "Unverändert (Kompression: keine): Version 1", "Schließen"})
      QVERIFY2(shown.contains(QString::fromUtf8(text)), qPrintable(shown));
  }

  void japaneseUnderTheCLocaleForQtToo() {
    const Language c = Language::FromVariables("", "", "", "C");
    QCOMPARE(c.tag(), std::string("ja"));
    QVERIFY(pressling::ui::InstallQtTranslations(*qApp, c));
    Form1 form(c);
    QCOMPARE(form.ThoroughAction().text(), QString::fromUtf8("徹底圧縮(&T)"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QFileDialog* dialog = OpenDialog(form);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QString::fromUtf8("PRC ファイルを開く"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    QVERIFY2(HasJapanese(buttons->button(QDialogButtonBox::Cancel)->text()),
             qPrintable(buttons->button(QDialogButtonBox::Cancel)->text()));
    dialog->reject();
  }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
