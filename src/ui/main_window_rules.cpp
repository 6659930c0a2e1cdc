#include "ui/main_window_rules.h"

#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/picture_folder.h"
#include "ui/file_browsers.h"
#include "ui/platform.h"

#include <utility>

namespace pixa::ui {

PhotoDescription describe(const UnwrapResult& result) {
    return {result.caption, QStringLiteral("Owner : ") + result.owner,
            QStringLiteral("Original file type :") + result.fileType,
            QStringLiteral("Original creation date :") + result.date,
            QStringLiteral("Original creation time :") + result.time};
}

QString ownerCaption(const CurrentOwner& owner) {
    return QStringLiteral("PixaMantler - Owner : ") +
           QString::fromStdString(fromCodePage(trimSpaces(owner.plainName()))) +
           QStringLiteral(" logged in.");
}

void ShownPhotoRules::show(ShownPhoto photo, bool pictureLoaded) {
    if (photo.kind != ShownPhoto::Kind::AwaitingPassword) {
        m_onScreen = {};
    } else if (m_shown.kind != ShownPhoto::Kind::AwaitingPassword) {
        m_onScreen = m_shown;
    }
    m_shown = std::move(photo);
    const QString unwrapped = windowPath(m_picture.path());
    if (m_shown.ws_file != unwrapped && m_onScreen.ws_file != unwrapped) m_picture.remove();
    m_screen.shownChanged(m_shown, pictureLoaded);
}

void ShownPhotoRules::awaitPassword(const QString& pff) {
    // A second wrapped photo chosen meanwhile still returns to the photo on screen.
    if (m_shown.kind != ShownPhoto::Kind::AwaitingPassword)
        m_onScreenDescription = m_screen.description();
    m_screen.describe({});
    show({ShownPhoto::Kind::AwaitingPassword, pff, QStringLiteral(".PFF")}, false);
}

void ShownPhotoRules::passwordNotGiven() {
    if (m_shown.kind != ShownPhoto::Kind::AwaitingPassword) return;
    m_screen.describe(std::exchange(m_onScreenDescription, {}));
    show(m_onScreen, false);
}

void ShownPhotoRules::lock() {
    passwordNotGiven();
    if (m_shown.kind == ShownPhoto::Kind::Unwrapped) show({}, false);
}

void ShownPhotoRules::endApplication(Platform& platform) {
    if (platform.ending()) return;
    m_picture.remove();
    // Every long work of every window stops where it is, leaving no file behind.
    platform.endApplication();
}

void ShownPhotoRules::showUnwrapped(const UnwrapResult& result) {
    if (m_shown.kind != ShownPhoto::Kind::AwaitingPassword || m_shown.ws_file != result.pff) {
        m_picture.discardIncoming();
        return;
    }
    // Decoded and adopted before anything on screen changes, so that a failure of either leaves
    // the photo shown before on screen with its own pixels.
    QImage picture;
    try {
        picture =
            result.decoded.isNull() ? m_screen.decodeUnwrapped(result.picture) : result.decoded;
        m_picture.adoptIncoming();
    } catch (...) {
        // Nothing names a picture that cannot be shown, so it does not stay on the disk.
        m_picture.discardIncoming();
        passwordNotGiven();
        throw;
    }
    m_screen.placeUnwrapped(std::move(picture));
    m_onScreenDescription = {};
    m_screen.describe(describe(result));
    show({ShownPhoto::Kind::Unwrapped, windowPath(m_picture.path()), m_shown.orig_file_type}, true);
}

} // namespace pixa::ui
