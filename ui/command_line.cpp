#include "ui/command_line.h"

namespace pressling::ui {

WindowRequest ParseWindowArguments(const QStringList& arguments) {
  WindowRequest request;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (!optionsEnded && argument == QLatin1String("--")) {
      optionsEnded = true;
    } else if (!optionsEnded && argument == QLatin1String("--help")) {
      return {WindowRequest::Action::Help, {}, {}};
    } else if (!optionsEnded && argument == QLatin1String("--version")) {
      request.action = WindowRequest::Action::Version;
    } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
      if (request.action == WindowRequest::Action::ShowWindow) {
        request.action = WindowRequest::Action::UsageError;
        request.badOption = argument;
      }
    } else if (request.file.isEmpty()) {
      request.file = argument;
    }
  }
  return request;
}

bool HasDesktopSession(const QStringList& arguments) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  return arguments.contains(QLatin1String("-platform")) || arguments.contains(QLatin1String("--platform"));
}

std::string WindowUsage(const Language& language) {
  return language.Tr(
      "Usage: pressling [--] [FILE.prc]\n"
      "Opens the window of Dorv's Pressling. Drop a Palm resource database on it,\n"
      "or click the folder picture (Ctrl+O) to choose one; a FILE named here is\n"
      "converted as soon as the window is shown, and further files are ignored.\n"
      "The result is written beside the input as NAME_comp.prc; the input is never\n"
      "changed. A right click opens the menu with the thorough compression.\n"
      "\n"
      "  --help     show this help and exit\n"
      "  --version  show the version and exit\n"
      "  --         end of options; a later argument is the file\n"
      "\n"
      "Qt's own options (-platform, -display, ...) are accepted as well.\n"
      "pressling-cli converts on the command line without a window.\n");
}

std::string UsageErrorLines(const WindowRequest& request, const Language& language) {
  return "pressling: " + language.Trf("unknown option %s", {request.badOption.toStdString()}) + "\n" +
         language.Tr("Try 'pressling --help'.") + "\n";
}

std::string NoDesktopSessionLine(const Language& language) {
  return "pressling: " +
         language.Tr("no desktop session (DISPLAY and WAYLAND_DISPLAY are unset): convert with "
                     "'pressling-cli FILE.prc', or show the window on a virtual X server with "
                     "'xvfb-run pressling FILE.prc'") +
         "\n";
}

}  // namespace pressling::ui
