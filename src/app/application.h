// The application object: the platform, the data folder and session, the main window and the
// owner flow, created and started in their order.
#pragma once

#include "core/clock.h"
#include "core/session.h"
#include "ui/qt_platform.h"

#include <memory>

namespace pixa::ui {
class OwnerFlow;
}

namespace pixa::app {

class PlaceholderMainWindow;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Prepares the data folder and shows the main window with its start-up owner check. False,
    // after telling the user why, when the application cannot start.
    bool start();

private:
    ui::QtPlatform m_platform;
    SystemClock m_clock;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<PlaceholderMainWindow> m_mainWindow;
    std::unique_ptr<ui::OwnerFlow> m_owners;
};

} // namespace pixa::app
