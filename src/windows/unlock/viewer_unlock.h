// Opens wrapped photos: one that a viewer password remembered in this run opens is unwrapped at
// once; for any other the main window waits for the photo's password, and the viewer unlock
// window is shown, loaded anew when it is not loaded and kept when it was only hidden. While the
// window unwraps a photo, a request for another is refused.
#pragma once

#include "core/pff_file.h"
#include "core/viewer_password.h"
#include "ui/main_window_link.h"

#include <QPointer>
#include <QString>

#include <filesystem>
#include <optional>
#include <stop_token>

namespace pixa {
class Session;
}

namespace pixa::ui {

class Platform;
class UnlockWindow;

// Unwraps the photo `pff` that `reader` reads (its password checked) into `target`, all or
// nothing, and says what the main window is to show of it.
UnwrapResult unwrapPhoto(const PffReader& reader, const QString& pff,
                         const std::filesystem::path& target, const Progress& progress,
                         std::stop_token stop);

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

    enum class Opening { Refused, Asking, Shown };
    // Has the main window wait for the viewer password of `pff`. When a remembered password
    // opens it, unwraps it into the incoming picture (`progress`, until `stop`) and has the main
    // window show it (Shown); else shows the window without waiting for it (Asking), a newly
    // loaded one disabling the main window. Refused, doing nothing, while busy(). Throws
    // pixa::Failure when the remembered unwrap fails, the photo on screen staying.
    Opening open(const QString& pff, const Progress& progress = {}, std::stop_token stop = {});
    // Unwraps `pff` into `target` when a remembered password opens it; nothing otherwise.
    // Throws pixa::Failure when the file cannot be read or unwrapped.
    std::optional<UnwrapResult> unwrapRemembered(const QString& pff,
                                                 const std::filesystem::path& target,
                                                 const Progress& progress,
                                                 std::stop_token stop) const;
    // Whether a remembered password opens the photo `info` was read from; false for a damaged
    // password field.
    bool opensRemembered(const PffInfo& info) const noexcept;
    // Forgets the remembered passwords and closes the window as its X does (an unwrap stops).
    void lock();
    // The loaded window; null when not loaded.
    UnlockWindow* window() const;

private:
    Session& m_session;
    MainWindowLink& m_mainWindow;
    Platform& m_platform;
    QPointer<UnlockWindow> m_window;
    RememberedPasswords m_remembered;
};

} // namespace pixa::ui
