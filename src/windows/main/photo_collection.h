// The photos a step goes through: the place it starts from, the search's list or else the folder
// of that place, the direction of travel, and the next photo prepared ahead in that direction.
#pragma once

#include "windows/main/photo_ahead.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

class QTimer;

namespace pixa::ui {

class ShownPhotoRules;
class WindowBase;

class PhotoCollection final : public QObject {
    Q_OBJECT
public:
    // Prepares ahead as long work of the application while no command of `window` runs, after a
    // photo `photo` shows that can be saved; a wrapped photo only when `unwrap` opens it.
    PhotoCollection(WindowBase& window, Platform& platform, UnwrappedPicture& pictures,
                    const ShownPhotoRules& photo, PhotoAhead::Unwrap unwrap);

    // The file of the photo on screen (a wrapped photo's own, not its picture's); kept through a
    // lock.
    const QString& place() const { return m_place; }
    void setPlace(const QString& file) { m_place = file; }
    // Steps go through `list` in its order; an empty one: through the folder of the place.
    void setList(std::vector<std::filesystem::path> list) { m_list = std::move(list); }
    bool inList() const { return !m_list.empty(); }
    std::vector<std::filesystem::path> photos() const;

    // Steps from the place towards `forward` until `show` shows a photo, throwing pixa::Failure
    // for one it passes over; the place moves before each. Says each photo passed over, the end
    // of the list or why it cannot be listed (the line of one passed over stays once a photo
    // shows). Ends at `stop`, also one asked for while it lets the window's events through.
    void walk(bool forward, const std::function<void(const std::filesystem::path&)>& show,
              const std::function<void(const QString&)>& say, std::stop_token stop);

    // Prepares the photo after the place once the window's command and the event have ended.
    void prepareSoon();
    bool prepared(const QString& file) const { return m_ahead.holds(file); }
    // The prepared `file`, no longer kept; nothing when it is not prepared or changed since.
    std::optional<PhotoAhead::Photo> takePrepared(const QString& file) {
        return m_ahead.take(file);
    }
    void stopPreparing() { m_ahead.stop(); }
    // Stops preparing and lets every prepared photo go, its prepared picture removed.
    void dropPrepared() noexcept { m_ahead.clear(); }

private:
    void prepareNext();

    WindowBase& m_window;
    const ShownPhotoRules& m_photo;
    PhotoAhead::Unwrap m_unwrap;
    PhotoAhead m_ahead;
    QTimer* m_timer;
    QString m_place;
    std::vector<std::filesystem::path> m_list;
    bool m_forward = true;
};

} // namespace pixa::ui
