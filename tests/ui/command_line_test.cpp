// The window program's command line, and what it says where there is no display.
#include <QProcess>
#include <QtTest>

#include "ui/command_line.h"

using pressling::ui::ParseWindowArguments;
using Action = pressling::ui::WindowRequest::Action;

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

// Runs program with the display variables removed from the environment.
Outcome RunWithoutDisplay(const QString& program, const QStringList& arguments) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  process.closeWriteChannel();
  Outcome outcome;
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return outcome;
  outcome.exitCode = process.exitCode();
  outcome.out = QString::fromUtf8(process.readAllStandardOutput());
  outcome.err = QString::fromUtf8(process.readAllStandardError());
  return outcome;
}

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void argumentsNameOneFileAtMost() {
    auto file = [](const QStringList& arguments) { return ParseWindowArguments(arguments).file; };
    QCOMPARE(ParseWindowArguments({}).action, Action::ShowWindow);
    QCOMPARE(file({}), QString());
    QCOMPARE(file({QStringLiteral("a.prc"), QStringLiteral("b.prc")}), QStringLiteral("a.prc"));
    QCOMPARE(file({QStringLiteral("--"), QStringLiteral("-a.prc"), QStringLiteral("--help")}), QStringLiteral("-a.prc"));
    QCOMPARE(ParseWindowArguments({QStringLiteral("--"), QStringLiteral("--help")}).action, Action::ShowWindow);
    QCOMPARE(file({QStringLiteral("-")}), QStringLiteral("-"));
  }

  void helpAndVersionWinOverUsageErrors() {
    auto action = [](const QStringList& arguments) { return ParseWindowArguments(arguments).action; };
    QCOMPARE(action({QStringLiteral("a.prc"), QStringLiteral("--help")}), Action::Help);
    QCOMPARE(action({QStringLiteral("--bogus"), QStringLiteral("--version")}), Action::Version);
    QCOMPARE(action({QStringLiteral("--version"), QStringLiteral("--help")}), Action::Help);
    const auto error = ParseWindowArguments({QStringLiteral("a.prc"), QStringLiteral("-x")});
    QCOMPARE(error.action, Action::UsageError);
    QCOMPARE(error.message, QStringLiteral("unknown option -x"));
  }

  void withoutADisplayTheWindowSaysSoInOneLine() {
    const Outcome refused = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("a.prc")});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.out, QString());
    QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    QVERIFY(refused.err.endsWith(QLatin1Char('\n')));
    for (const char* hint : {"pressling-cli", "xvfb-run", "desktop session"})
      QVERIFY2(refused.err.contains(QLatin1String(hint)), qPrintable(refused.err));

    // --help and --version need no display.
    const Outcome version = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("pressling 0.91\n"));
    const Outcome help = RunWithoutDisplay(QStringLiteral(PRESSLING_WINDOW), {QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("Usage: pressling ")));
  }

  void runScriptStopsBeforeBuildingWithoutADisplay() {
    const Outcome refused =
        RunWithoutDisplay(QStringLiteral("bash"), {QStringLiteral(PRESSLING_SOURCE_DIR "/scripts/run.sh")});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.out, QString());
    QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    for (const char* hint : {"pressling-cli", "xvfb-run"})
      QVERIFY2(refused.err.contains(QLatin1String(hint)), qPrintable(refused.err));
  }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
