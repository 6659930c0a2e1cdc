#include "windows/unlock/viewer_unlock.h"

#include "core/codepage.h"
#include "core/messages.h"
#include "core/session.h"
#include "ui/file_browsers.h"
#include "ui/platform.h"
#include "windows/unlock/unlock_window.h"

namespace pixa::ui {

namespace {

QString fromBytes(std::string_view bytes) {
    return QString::fromStdString(fromCodePage(bytes));
}

} // namespace

UnwrapResult unwrapPhoto(const PffReader& reader, const QString& pff,
                         const std::filesystem::path& target, const Progress& progress,
                         std::stop_token stop) {
    reader.unwrapTo(target, progress, 0600, std::move(stop));
    const PffInfo& info = reader.info();
    return {pff,
            windowPath(target),
            fromBytes(info.tag),
            fromBytes(info.ownerName()),
            fromBytes(info.fileType),
            fromBytes(info.date),
            fromBytes(info.time),
            info.tagComplete};
}

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

ViewerUnlock::Opening ViewerUnlock::open(const QString& pff, const Progress& progress,
                                         std::stop_token stop) {
    if (busy()) return Opening::Refused;
    m_mainWindow.awaitPassword(pff);
    std::optional<UnwrapResult> result;
    try {
        result = unwrapRemembered(pff, m_session.unwrappedPicture().incomingPath(), progress,
                                  std::move(stop));
    } catch (...) {
        m_mainWindow.passwordNotGiven();
        throw;
    }
    if (result) {
        if (!result->tagComplete)
            m_platform.message(m_mainWindow.mainWindowWidget(), coreText(msg::CorruptTag));
        m_mainWindow.showUnwrapped(*result);
        return Opening::Shown;
    }
    // A window that has unloaded itself is on its way out; one only hidden keeps its text and
    // does not disable the main window again.
    if (!m_window || !m_window->loaded())
        m_window = new UnlockWindow(m_session, m_mainWindow, m_platform, m_remembered);
    presentOver(m_window, m_mainWindow.mainWindowWidget());
    return Opening::Asking;
}

std::optional<UnwrapResult> ViewerUnlock::unwrapRemembered(const QString& pff,
                                                           const std::filesystem::path& target,
                                                           const Progress& progress,
                                                           std::stop_token stop) const {
    if (m_remembered.empty()) return std::nullopt;
    const PffReader reader(localPath(pff));
    if (!m_remembered.opening(reader.info())) return std::nullopt;
    return unwrapPhoto(reader, pff, target, progress, std::move(stop));
}

bool ViewerUnlock::opensRemembered(const PffInfo& info) const noexcept {
    try {
        return m_remembered.opening(info) != nullptr;
    } catch (...) {
        return false;
    }
}

void ViewerUnlock::lock() {
    m_remembered.forget();
    if (m_window) m_window->lock();
}

UnlockWindow* ViewerUnlock::window() const {
    return m_window;
}

} // namespace pixa::ui
