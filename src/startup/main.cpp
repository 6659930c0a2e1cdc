// The application: sets up Qt, tidies the data folder and sends the user to log in or register.
#include "format/error.h"
#include "format/file_io.h"
#include "mainwindow/main_window_link.h"
#include "owners/clock.h"
#include "owners/owner_flow.h"
#include "owners/owner_store.h"
#include "owners/session.h"
#include "ui/qt_platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>
#include <QTimer>

#include <csignal>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Stands in for the main photo window until it is built: an empty window that the owner windows
// enable, disable and caption, and whose closing ends the application.
class PlaceholderMainWindow final : public QMainWindow, public pixa::ui::MainWindowLink {
public:
    PlaceholderMainWindow(pixa::ui::Platform& platform, const pixa::Session& session)
        : m_platform(platform), m_session(session) {
        setFixedSize(800, 600);
    }

    void setMainWindowEnabled(bool enabled) override { setEnabled(enabled); }
    void setMainWindowCaption(const QString& caption) override { setWindowTitle(caption); }
    QWidget* mainWindowWidget() override { return this; }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        std::error_code ignored;
        fs::remove(m_session.temporaryPicture(), ignored);
        m_platform.endApplication();
    }

private:
    pixa::ui::Platform& m_platform;
    const pixa::Session& m_session;
};

} // namespace

int main(int argc, char** argv) {
    // A write past the file size limit then fails with an error the windows report, instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PixaMantler"));
    pixa::ui::QtPlatform platform;

    fs::path folder;
    try {
        folder = pixa::resolveDataFolder();
    } catch (const pixa::Failure& failure) {
        platform.message(nullptr, QStringLiteral("PixaMantler cannot start: %1.")
                                      .arg(QString::fromStdString(failure.detail())));
        return 1;
    }
    pixa::removeStaleTemporaries(folder);

    const pixa::SystemClock clock;
    pixa::Session session(folder, clock);
    PlaceholderMainWindow mainWindow(platform, session);
    mainWindow.show();
    pixa::ui::OwnerFlow owners(session, mainWindow, platform);
    // Once the main window is up, as its loading would.
    QTimer::singleShot(0, &mainWindow, [&owners] { owners.startupOwnerCheck(); });
    return app.exec();
}
