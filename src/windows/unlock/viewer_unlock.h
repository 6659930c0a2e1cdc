// Shows the viewer unlock window for the wrapped photo the main window names in `ws_file`,
// loading the window when it is not loaded and keeping it loaded after it was only hidden.
#pragma once

#include <QPointer>

namespace pixa {
class Session;
}

namespace pixa::ui {

class MainWindowLink;
class Platform;
class ViewerPasswordfrm;

class ViewerUnlock {
public:
    ViewerUnlock(Session& session, MainWindowLink& mainWindow, Platform& platform);
    ~ViewerUnlock();
    ViewerUnlock(const ViewerUnlock&) = delete;
    ViewerUnlock& operator=(const ViewerUnlock&) = delete;

    // Shows the window without waiting for it; a newly loaded one disables the main window.
    // Does nothing while the window is unwrapping a photo.
    void show();
    // Stops an unwrap at work: it ends without writing the picture.
    void stop();
    // The loaded window; null when not loaded.
    ViewerPasswordfrm* window() const;

private:
    Session& m_session;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    QPointer<ViewerPasswordfrm> m_window;
};

} // namespace pixa::ui
