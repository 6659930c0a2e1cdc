// The application object: the platform, the data folder and session, the title screen, the main
// window and the owner flow, created and started in their order.
#pragma once

#include "core/clock.h"
#include "core/session.h"
#include "ui/qt_platform.h"

#include <QString>

#include <memory>

namespace pixa::ui {
class OwnerFlow;
class PixaMantlerTitle;
}

namespace pixa::app {

class PlaceholderMainWindow;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Prepares the data folder and shows the title screen, whose end shows the main window.
    // `pendingFile`, a photo or wrapped photo named on the command line, goes to the main window
    // with it, to be opened once an owner has logged in or registered. False, after telling the
    // user why, when the application cannot start.
    bool start(const QString& pendingFile = {});

    // Shows the main window with its start-up owner check.
    void showMainWindow();

private:
    ui::QtPlatform m_platform;
    SystemClock m_clock;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<PlaceholderMainWindow> m_mainWindow;
    std::unique_ptr<ui::OwnerFlow> m_owners;
    std::unique_ptr<ui::PixaMantlerTitle> m_title;
    // Until the main window is shown.
    QString m_pendingFile;
};

} // namespace pixa::app
