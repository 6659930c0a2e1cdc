// The application object: the platform, the data folder and session, the title screen, the main
// window, the owner flow and the viewer unlock, batch and search windows, created and started in
// their order.
#pragma once

#include "core/clock.h"
#include "core/session.h"
#include "ui/qt_platform.h"

#include <QPointer>
#include <QString>

#include <memory>

namespace pixa::ui {
class EndOnSignals;
class CaptionSearchWindow;
class OwnerFlow;
class TitleWindow;
class ViewerUnlock;
class BatchWrapWindow;
class MainWindow;
} // namespace pixa::ui

namespace pixa::app {

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Prepares the data folder, creates the windows and shows the title screen, whose end shows
    // the main window. `pendingFile`, a photo or wrapped photo named on the command line, is
    // opened once an owner has logged in or registered. False, after telling the user why, when
    // the application cannot start.
    bool start(const QString& pendingFile = {});
    // Shows the main window and, once it is up, its start-up owner check.
    void showMainWindow();
    // The main window; null before start().
    ui::MainWindow* mainWindow() const { return m_mainWindow.get(); }

private:
    ui::QtPlatform m_platform;
    SystemClock m_clock;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<ui::MainWindow> m_mainWindow;
    std::unique_ptr<ui::OwnerFlow> m_owners;
    std::unique_ptr<ui::ViewerUnlock> m_unlock;
    std::unique_ptr<ui::TitleWindow> m_title;
    // Destroyed first: it calls on the main window.
    std::unique_ptr<ui::EndOnSignals> m_endOnSignals;
    // Until the main window is shown.
    QString m_pendingFile;
    // The batch and search windows while they are loaded; each unloads itself.
    QPointer<ui::BatchWrapWindow> m_batch;
    QPointer<ui::CaptionSearchWindow> m_search;
};

} // namespace pixa::app
