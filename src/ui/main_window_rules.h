// The main window's rules over the photo it shows, kept apart from its widgets so that the
// window and the window tests' stand-in follow one implementation: which photo is shown, what
// comes back when a wrapped photo is not opened, when the unwrapped picture goes, and the
// caption the window carries for the current owner.
#pragma once

#include "ui/main_window_link.h"

#include <QString>

namespace pixa {
struct CurrentOwner;
class UnwrappedPicture;
} // namespace pixa

namespace pixa::ui {

class Platform;

// What the main window says about the photo on screen: the caption box and the four
// information labels (owner, file type, date, time); a label without text is hidden.
struct PhotoDescription {
    QString caption;
    QString owner;
    QString fileType;
    QString date;
    QString time;

    bool operator==(const PhotoDescription&) const = default;
};

// The labels' texts for what an unwrap restored.
PhotoDescription describe(const UnwrapResult& result);

// "PixaMantler - Owner : " and the owner's trimmed name, then " logged in.".
QString ownerCaption(const CurrentOwner& owner);

// The picture on screen and its description, as the rules drive them.
class PhotoScreen {
public:
    virtual ~PhotoScreen() = default;
    virtual PhotoDescription description() const = 0;
    virtual void describe(const PhotoDescription& description) = 0;
    // The picture in `path`, decoded and upright; throws pixa::Failure when it is not a picture
    // that can be shown. Nothing on screen changes.
    virtual QImage decodeUnwrapped(const QString& path) = 0;
    // Shows `picture` as an unwrapped photo is shown.
    virtual void placeUnwrapped(QImage picture) = 0;
    // The shown photo is now `photo`; `pictureLoaded` when its picture has just been shown at
    // its actual size.
    virtual void shownChanged(const ShownPhoto& photo, bool pictureLoaded) = 0;
};

class ShownPhotoRules {
public:
    ShownPhotoRules(PhotoScreen& screen, UnwrappedPicture& picture)
        : m_screen(screen), m_picture(picture) {}

    const ShownPhoto& shown() const { return m_shown; }

    // The one way the shown photo changes. The unwrapped picture goes once no photo names it,
    // the one waiting to return while a wrapped photo awaits its password included.
    void show(ShownPhoto photo, bool pictureLoaded);
    // The requests of MainWindowLink of the same names. showUnwrapped() is the one way an
    // unwrapped picture reaches the screen, and it shows one only while its wrapped photo is
    // awaited: a lock ends the wait, so whatever was unwrapped behind a message box, a dialog or
    // a yield that the lock came through is discarded instead of shown.
    void awaitPassword(const QString& pff);
    void passwordNotGiven();
    void showUnwrapped(const UnwrapResult& result);
    // A lock: a wrapped photo awaited is not given, and an unwrapped one is no longer shown.
    // The screen itself is the window's to clear.
    void lock();
    // The application's end: the unwrapped picture goes, then every window's work stops.
    void endApplication(Platform& platform);

private:
    PhotoScreen& m_screen;
    UnwrappedPicture& m_picture;
    ShownPhoto m_shown;
    // The photo on screen, and what described it, while a wrapped photo waits for its password.
    ShownPhoto m_onScreen;
    PhotoDescription m_onScreenDescription;
};

} // namespace pixa::ui
