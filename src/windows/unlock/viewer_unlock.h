// Opens wrapped photos through the viewer unlock window: the main window waits for the photo's
// password, and the window is shown, loaded anew when it is not loaded and kept when it was only
// hidden. While the window unwraps a photo, a request for another is refused.
#pragma once

#include <QPointer>
#include <QString>

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

    // True while the window unwraps a photo: no other can be opened until it is shown.
    bool busy() const;
    // What the windows tell the user when busy() refuses a request.
    static QString busyText();

    // Has the main window wait for the viewer password of `pff` and shows the window without
    // waiting for it; a newly loaded one disables the main window. False, doing nothing, while
    // busy().
    bool open(const QString& pff);
    // The loaded window; null when not loaded.
    ViewerPasswordfrm* window() const;

private:
    Session& m_session;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    QPointer<ViewerPasswordfrm> m_window;
};

} // namespace pixa::ui
