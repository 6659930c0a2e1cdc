// The main window's save: the photo on screen as a wrapped photo with the typed caption, or what
// the view shows as a bitmap, written all or nothing; a plain picture's original may then go to
// the trash.
#pragma once

#include "ui/main_window_link.h"
#include "ui/platform.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

class QWidget;

namespace pixa {
class Session;
class WrapJob;
} // namespace pixa

namespace pixa::ui {

class CommandBar;
class PhotoView;
class ShownPhotoRules;

class SaveCommand {
public:
    // `chosen` hears each file the save dialog returns, for the open dialog to start from.
    SaveCommand(Session& session, Platform& platform, QWidget& window, CommandBar& bar,
                const PhotoView& view, ShownPhotoRules& photo,
                std::function<void(const FileDialogResult&)> chosen);

    // Saves `photo`, on screen with `caption` typed, into the file the user chooses: wrapped, or
    // as a bitmap of what the view shows when it is written (nothing after a lock); every failure
    // is reported. Stops at `stop`, leaving nothing behind.
    void run(const ShownPhoto& photo, const QString& caption, std::stop_token stop);
    // The file the last save wrote, or was about to write.
    const QString& target() const { return m_target; }

private:
    void save(const ShownPhoto& photo, const QString& caption, std::stop_token stop);
    // The caption as stored bytes, or nothing after telling the user which character cannot be.
    std::optional<std::string> storableCaption(const QString& caption);
    WrapJob wrap(const ShownPhoto& photo, const std::string& caption, std::stop_token stop);
    void writeBitmap();
    // After `photo`, a plain picture, was wrapped: asks whether its original goes to the trash
    // (No being the default) and moves it once the .pff reads back the same.
    void offerTrash(const ShownPhoto& photo, const WrapJob& job);

    Session& m_session;
    Platform& m_platform;
    QWidget& m_window;
    CommandBar& m_bar;
    const PhotoView& m_view;
    ShownPhotoRules& m_photo;
    std::function<void(const FileDialogResult&)> m_chosen;
    QString m_target;
    // The original last moved to the trash, where it lies now: not offered a second time.
    QString m_trashedPhoto;
};

} // namespace pixa::ui
