#include "windows/unlock/viewer_unlock.h"

#include "ui/main_window_link.h"
#include "windows/unlock/viewer_passwordfrm.h"

namespace pixa::ui {

ViewerUnlock::ViewerUnlock(Session& session, MainWindowLink& mainWindow, Platform& platform)
    : m_session(session), m_mainWindow(mainWindow), m_platform(platform) {}

ViewerUnlock::~ViewerUnlock() {
    delete m_window.data();
}

void ViewerUnlock::show() {
    // While an unlock is at work, the photo it unwraps is the one the main window will show.
    if (m_window && m_window->running()) return;
    // A window that has unloaded itself is on its way out; one only hidden keeps its text and
    // does not disable the main window again.
    if (!m_window || !m_window->loaded()) {
        m_window = new ViewerPasswordfrm(m_session, m_mainWindow, m_platform);
    }
    presentOver(m_window, m_mainWindow.mainWindowWidget());
}

void ViewerUnlock::stop() {
    if (m_window && m_window->running()) m_window->requestStop();
}

ViewerPasswordfrm* ViewerUnlock::window() const {
    return m_window;
}

} // namespace pixa::ui
