#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "language/language.h"

namespace pressling::ui {

// What the window program was asked for on its command line.
struct WindowRequest {
  enum class Action { ShowWindow, Help, Version, UsageError };
  Action action = Action::ShowWindow;
  QString file;       // the first file named; later ones are ignored, as in a drop
  QString badOption;  // the unknown option, for a usage error
};

// Reads the arguments after the program name. --help and --version win over
// everything else; "--" ends the options.
WindowRequest ParseWindowArguments(const QStringList& arguments);

// True when Qt can reach a display: DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM is set, or a -platform argument names one.
bool HasDesktopSession(const QStringList& arguments);

// The text of --help.
std::string WindowUsage(const Language& language);
// The lines said for an unknown option, ending in a newline.
std::string UsageErrorLines(const WindowRequest& request, const Language& language);
// The one line said instead of Qt's plugin error when there is no display.
std::string NoDesktopSessionLine(const Language& language);

}  // namespace pressling::ui
