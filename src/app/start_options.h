// What the command line asks of a start of the application (--help, --version, a file to open
// after login), and whether there is a display to start the windows on.
#pragma once

#include <QString>
#include <QStringList>

namespace pixa::app {

struct StartOptions {
    enum class Action {
        Run,     // start the windows
        Help,    // print `text` on standard output, exit 0
        Version, // likewise
        Refuse,  // print `text` on standard error, exit `exitCode`
    };
    Action action = Action::Run;
    QString text;
    int exitCode = 0;
    // A photo or wrapped photo named on the command line, as an absolute path; empty if none.
    QString file;
};

// Reads the arguments (the program name first). Without a display, anything but --help and
// --version is refused with a plain message instead of a crash inside the window system.
// `displayPresent` is normally displayAvailable().
StartOptions readStartOptions(const QStringList& arguments, bool displayPresent);

// True when a window system can be reached: DISPLAY or WAYLAND_DISPLAY is set, or
// QT_QPA_PLATFORM names a platform (offscreen, vnc...).
bool displayAvailable();

// Prints what a non-Run answer says; returns its exit code.
int printAnswer(const StartOptions& options);

} // namespace pixa::app
