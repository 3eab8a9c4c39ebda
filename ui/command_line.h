#pragma once

#include <QString>
#include <QStringList>

namespace pressling::ui {

// What the window program was asked for on its command line.
struct WindowRequest {
  enum class Action { ShowWindow, Help, Version, UsageError };
  Action action = Action::ShowWindow;
  QString file;     // the first file named; later ones are ignored, as in a drop
  QString message;  // what was wrong, for a usage error
};

// Reads the arguments after the program name. --help and --version win over
// everything else; "--" ends the options.
WindowRequest ParseWindowArguments(const QStringList& arguments);

// True when Qt can reach a display: DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM is set, or a -platform argument names one.
bool HasDesktopSession(const QStringList& arguments);

extern const char kWindowUsage[];
// The one line said instead of Qt's plugin error when there is no display.
extern const char kNoDesktopSession[];

}  // namespace pressling::ui
