#include "windows/unlock/viewer_unlock.h"

#include "ui/main_window_link.h"
#include "windows/unlock/viewer_passwordfrm.h"

namespace pixa::ui {

ViewerUnlock::ViewerUnlock(Session& session, MainWindowLink& mainWindow, Platform& platform)
    : m_session(session), m_mainWindow(mainWindow), m_platform(platform) {}

ViewerUnlock::~ViewerUnlock() {
    delete m_window.data();
}

bool ViewerUnlock::busy() const {
    return m_window && m_window->running();
}

QString ViewerUnlock::busyText() {
    return QStringLiteral("Another wrapped photo is being opened. Open this one once that photo "
                          "is shown.");
}

bool ViewerUnlock::open(const QString& pff) {
    if (busy()) return false;
    m_mainWindow.awaitPassword(pff);
    // A window that has unloaded itself is on its way out; one only hidden keeps its text and
    // does not disable the main window again.
    if (!m_window || !m_window->loaded()) {
        m_window = new ViewerPasswordfrm(m_session, m_mainWindow, m_platform);
    }
    presentOver(m_window, m_mainWindow.mainWindowWidget());
    return true;
}

ViewerPasswordfrm* ViewerUnlock::window() const {
    return m_window;
}

} // namespace pixa::ui
