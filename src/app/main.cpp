// The application's entry: Qt, then the application object.
#include "app/application.h"
#include "app/start_options.h"
#include "core/process_privacy.h"
#include "imaging/picture_decode.h"
#include "ui/accessibility.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv) {
    // Passwords are typed into this process: no core dump may keep them.
    pixa::keepMemoryPrivate();
    // A write past the file size limit then fails with an error the windows report, instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Before Qt meets the window system, which aborts when there is none.
    const auto options = pixa::app::readStartOptions(arguments, pixa::app::displayAvailable());
    if (options.action != pixa::app::StartOptions::Action::Run)
        return pixa::app::printAnswer(options);
    QApplication qtApp(argc, argv);
    pixa::setDecodeLimits();
    QApplication::setApplicationName(QStringLiteral("PixaMantler"));
    // Desktops match the windows to the installed menu entry by this name.
    QApplication::setDesktopFileName(QStringLiteral(PIXA_APP_ID));
    // Before the first window, so that a screen reader meets every one as a frame or dialog.
    pixa::ui::installAccessibility();
    pixa::app::Application application;
    if (!application.start(options.file)) return 1;
    return QApplication::exec();
}
