// The main window steps through a folder, or through the search's list, and prepares the next
// photo in the direction of travel while the user looks at this one; a lock takes what is
// unwrapped off the screen and the disk.
#include "windows/main/pixaform.h"

#include "core/error.h"
#include "core/file_content.h"
#include "core/messages.h"
#include "core/photo_sequence.h"
#include "core/picture_folder.h"
#include "core/session.h"
#include "ui/file_browsers.h"
#include "ui/yielder.h"
#include "windows/main/open_route.h"
#include "windows/main/photo_ahead.h"
#include "windows/main/picture_viewport.h"
#include "windows/unlock/viewer_unlock.h"

#include <QAccessible>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTimer>

#include <new>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

// How long preparing waits for a command of the window to end before it looks again.
constexpr int kAheadRetryMs = 50;

QString fileName(const fs::path& file) {
    return QString::fromStdString(file.filename().string());
}

} // namespace

std::vector<fs::path> pixaform::stepList() const {
    if (!m_stepList.empty()) return m_stepList;
    return folderPhotos(localPath(m_place).parent_path());
}

void pixaform::step(bool forward) {
    if (!ownerPresent() || m_place.isEmpty() ||
        stopDecodingThen([this, forward] { step(forward); }))
        return;
    m_ahead->stop();
    LongWork work(*this);
    if (!work.started()) return;
    m_forward = forward;
    // A fitted photo is followed by the next one fitted.
    m_keepFit = m_viewport->fitted();
    const auto viewKept = qScopeGuard([this] { m_keepFit = false; });
    const bool inSearch = !m_stepList.empty();
    try {
        const std::vector<fs::path> list = stepList();
        fs::path place = localPath(m_place);
        QString passedOver;
        while (const auto next = stepFrom(list, place, forward)) {
            place = list[*next];
            // The place moves before the photo decodes: a step pressed meanwhile stops this one
            // and goes on from here rather than starting it again.
            m_place = windowPath(place);
            try {
                stepTo(place, work.stopToken());
                // The line of a file passed over on the way stays under the photo shown.
                if (!passedOver.isEmpty()) setStatus(passedOver);
                return;
            } catch (const Failure& failure) {
                if (failure.number() == err::UserInterrupt) return;
                passedOver =
                    QStringLiteral("Skipped %1: %2")
                        .arg(fileName(place), QString::fromStdString(failure.description()));
                setStatus(passedOver);
                Yielder().yieldNow();
                // A lock or a new command during the yield ends the walk here.
                if (work.stopToken().stop_requested()) return;
            }
        }
        const QString where =
            inSearch ? QStringLiteral("in this search") : QStringLiteral("in this folder");
        setStatus(
            (forward ? QStringLiteral("No next photo %1") : QStringLiteral("No previous photo %1"))
                .arg(where));
    } catch (const Failure& failure) {
        setStatus(QString::fromStdString(failure.what()));
    } catch (const std::bad_alloc&) {
        setStatus(QString::fromStdString(Failure(err::OutOfMemory).what()));
    }
}

void pixaform::stepTo(const fs::path& file, std::stop_token stop) {
    // A file that vanished, cannot be read or is no photo is passed over before the screen
    // changes.
    if (fileContentOf(file) == FileContent::Other)
        throw Failure(err::InvalidPicture, "not a photo");
    const QString path = windowPath(file);
    if (!showPrepared(path)) openFile(path, openRoute(path, kNoDialogType), stop);
}

bool pixaform::showPrepared(const QString& file) {
    std::optional<PhotoAhead::Photo> photo = m_ahead->take(file);
    if (!photo) return false;
    if (photo->unwrapped) {
        // Shown as a remembered unwrap is. The photo is awaited before its prepared picture
        // becomes the incoming one, which the rules would otherwise remove as nobody's.
        m_photo.awaitPassword(file);
        m_place = file;
        UnwrapResult result = std::move(*photo->unwrapped);
        try {
            m_session.unwrappedPicture().takePrepared(photo->slot);
        } catch (...) {
            m_photo.passwordNotGiven();
            throw;
        }
        result.picture = windowPath(m_session.unwrappedPicture().incomingPath());
        result.decoded = std::move(photo->picture);
        // A lock while the box is up ends the wait, and the rules then discard the picture.
        if (!result.tagComplete) m_platform.message(this, coreText(msg::CorruptTag));
        m_photo.showUnwrapped(result);
        return true;
    }
    describe({});
    placePhoto(std::move(photo->picture), false);
    m_photo.show({ShownPhoto::Kind::Picture, file, openRoute(file, kNoDialogType).fileType}, true);
    m_place = file;
    return true;
}

void pixaform::prepareAhead() {
    // Never inside a command of this window, whose yields would run it to its end first.
    if (running() || m_ahead->running()) {
        m_aheadTimer->start(kAheadRetryMs);
        return;
    }
    if (!shownPhoto().savable() || m_place.isEmpty()) return;
    try {
        const std::vector<fs::path> list = stepList();
        const auto next = stepFrom(list, localPath(m_place), m_forward);
        if (!next) return;
        const FileContent content = fileContentOf(list[*next]);
        m_ahead->prepare(windowPath(list[*next]), content,
                         [this](const QString& pff, const fs::path& target,
                                const Progress& progress, std::stop_token stop) {
                             return m_unlock ? m_unlock->unwrapRemembered(pff, target, progress,
                                                                          std::move(stop))
                                             : std::nullopt;
                         });
    } catch (const Failure&) {
        // The step meets the same failure and says so.
    } catch (const std::bad_alloc&) {
    }
}

void pixaform::keepView() {
    if (m_keepFit) m_viewport->fitToWindow();
}

bool pixaform::preparedAhead(const QString& file) const {
    return m_ahead->holds(file);
}

void pixaform::lock() {
    if (!ownerPresent()) return;
    m_ahead->clear();
    m_platform.cancelDialogs();
    if (m_unlock) m_unlock->lock();
    // An unwrap or a save of this window stops; a plain picture's decode goes on.
    if (running() && !m_decoding) requestStop();
    m_photo.lock();
    // Only a plain picture stays on screen. Whatever else the view holds may be an unwrapped
    // photo's pixels, such as those left while a plain picture after it failed to load.
    if (shownPhoto().kind != ShownPhoto::Kind::Picture && !m_decoding) {
        m_viewport->setPhoto({});
        m_viewport->hidePicture();
        m_zoomLabel->hide();
    }
    describe({});
    setStatus(QStringLiteral("Locked"));
}

void pixaform::viewPhoto(const QString& file, const QStringList& stepList) {
    std::vector<fs::path> list;
    for (const QString& listed : stepList)
        list.push_back(localPath(listed));
    openByName(file, list);
}

void pixaform::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
        step(event->button() == Qt::ForwardButton);
        event->accept();
        return;
    }
    WindowBase::mousePressEvent(event);
}

void pixaform::setStatus(const QString& text) {
    m_status->setText(text);
    placeStatus();
    m_status->setVisible(!text.isEmpty());
    // Read out by a screen reader as it changes.
    QAccessibleEvent changed(m_status, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace pixa::ui
