#include "windows/unlock/viewer_unlock.h"

#include "windows/unlock/viewer_passwordfrm.h"

namespace pixa::ui {

ViewerUnlock::ViewerUnlock(Session& session, MainWindowLink& mainWindow, Platform& platform)
    : m_session(session), m_mainWindow(mainWindow), m_platform(platform) {}

ViewerUnlock::~ViewerUnlock() = default;

void ViewerUnlock::show() {}

ViewerPasswordfrm* ViewerUnlock::window() const {
    return m_window;
}

} // namespace pixa::ui
