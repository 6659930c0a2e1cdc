// The application's entry: Qt, then the application object.
#include "app/application.h"
#include "core/process_privacy.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv) {
    // Passwords are typed into this process: no core dump may keep them.
    pixa::keepMemoryPrivate();
    // A write past the file size limit then fails with an error the windows report, instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PixaMantler"));
    pixa::app::Application application;
    if (!application.start()) return 1;
    return QApplication::exec();
}
