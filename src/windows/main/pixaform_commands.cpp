// The main window's commands over files: open, actual size, fit to window and save.
#include "windows/main/pixaform.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_codec.h"
#include "core/pff_file.h"
#include "core/session.h"
#include "core/wrap_job.h"
#include "ui/busy_pointer.h"
#include "ui/error_report.h"
#include "ui/file_browsers.h"
#include "ui/image_button.h"
#include "ui/trash.h"
#include "ui/yielder.h"
#include "windows/main/open_route.h"
#include "windows/main/photo_ahead.h"
#include "windows/main/picture_viewport.h"
#include "windows/unlock/viewer_unlock.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>

#include <filesystem>
#include <new>

namespace pixa::ui {

namespace {

const QString kSaveFilter =
    QStringLiteral("Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp");
constexpr int kWrappedFilter = 1;
constexpr int kBitmapFilter = 2;

void yield() {
    Yielder().yieldNow();
}

// The chosen name up to the first dot of its last part, then the filter's extension: a dotted
// folder keeps its name.
QString withExtension(const QString& chosen, int filterIndex) {
    const qsizetype dot =
        chosen.indexOf(QLatin1Char('.'), chosen.lastIndexOf(QLatin1Char('/')) + 1);
    return (dot < 0 ? chosen : chosen.left(dot)) +
           (filterIndex == kBitmapFilter ? QStringLiteral(".bmp") : QStringLiteral(".pff"));
}

// Hands a picture writer's bytes to an all-or-nothing file, keeping the first failure to throw
// once the writer has returned (Qt's writers are not made to be unwound by exceptions).
class AtomicFileDevice final : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file) : m_file(file) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    void throwFailure() const {
        if (m_failure) throw *m_failure;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        try {
            m_file.write(data, size_t(size));
            return size;
        } catch (const Failure& failure) {
            if (!m_failure) m_failure = failure;
            return -1;
        }
    }

private:
    AtomicFile& m_file;
    std::optional<Failure> m_failure;
};

} // namespace

void pixaform::Command1_Click() {
    if (!ownerPresent() || stopDecodingThen([this] { untrapped(&pixaform::Command1_Click); }))
        return;
    LongWork work(*this);
    if (!work.started()) return;
    FileDialogResult chosen;
    try {
        // The dialog starts from what it held last, after an open or a save.
        FileDialogRequest request = m_dialog;
        request.filter = openDialogFilter();
        chosen = m_platform.openFile(this, request);
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        yield();
        return;
    }
    m_dialog.fileName = chosen.fileName;
    m_dialog.filterIndex = chosen.filterIndex;
    openChosen(chosen.fileName, chosen.filterIndex, work.stopToken());
}

void pixaform::openByName(const QString& path, const std::vector<std::filesystem::path>& stepList) {
    if (!ownerPresent() || stopDecodingThen([this, path, stepList] { openByName(path, stepList); }))
        return;
    LongWork work(*this);
    if (!work.started()) return;
    openChosen(path, kNoDialogType, work.stopToken());
    m_stepList = stepList;
}

void pixaform::openChosen(const QString& path, int filterIndex, std::stop_token stop) {
    m_ahead->stop();
    m_stepList.clear();
    try {
        openFile(path, openRoute(path, filterIndex), stop);
    } catch (const Failure& failure) {
        // A decode stopped by the exit button or a new open has nothing to say.
        if (failure.number() == err::UserInterrupt) return;
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        yield();
    } catch (const std::bad_alloc&) {
        reportError(m_platform, this, ErrorVariant::File, Failure(err::OutOfMemory));
    }
}

void pixaform::openFile(const QString& path, const OpenRoute& route, std::stop_token stop) {
    if (route.wrapped) {
        // Unwrapped at once when a remembered password opens it, else the unlock window asks;
        // the bar shows once an unwrap runs.
        const int blocks = barRange(pictureBlocks(QFileInfo(path).size()));
        const auto hideBar = qScopeGuard([this] { hideProgress(); });
        const Progress progress = barProgress([this, blocks](int block, int) {
            if (ProgressBar1->isHidden()) showProgress(blocks);
            setProgress(block);
        });
        ViewerUnlock::Opening opening = ViewerUnlock::Opening::Refused;
        if (m_unlock) opening = m_unlock->open(path, progress, stop);
        if (opening == ViewerUnlock::Opening::Refused) {
            m_platform.message(this, ViewerUnlock::busyText());
        } else {
            m_place = path;
        }
        yield();
        return;
    }
    BusyPointer busy;
    yield();
    describe({});
    // Nothing can be saved while the file is loaded; a picture that does not load leaves the
    // one shown before on screen, and nothing to save.
    m_photo.show({ShownPhoto::Kind::Nothing, path, route.fileType}, false);
    yield();
    showPictureFile(path, route.fileType, stop);
    m_place = path;
    busy.release();
    yield();
}

void pixaform::Command2_Click() {
    if (!ownerPresent()) return;
    // While a large photo decodes, it shows the rows decoded so far.
    if (m_decoding) {
        m_viewport->actualSize();
        return;
    }
    LongWork work(*this);
    if (!work.started()) return;
    m_viewport->actualSize();
    Command2->Disable();
    Command3->Enable();
}

void pixaform::Command3_Click() {
    if (!ownerPresent()) return;
    // While a large photo decodes (its open holds the long work), it is fitted at once from a
    // reduced decode.
    if (m_decoding) {
        fitToWindow();
        return;
    }
    LongWork work(*this);
    if (!work.started()) return;
    fitToWindow();
}

void pixaform::fitToWindow() {
    try {
        BusyPointer busy;
        yield();
        // Scaled from the photo kept in memory: the file is not read again.
        m_viewport->fitToWindow();
        busy.release();
        Command3->Disable();
        Command2->Enable();
        yield();
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::File, failure);
    }
}

void pixaform::Command4_Click() {
    // Nothing to save until a photo is on screen.
    if (!ownerPresent() || !shownPhoto().savable()) return;
    LongWork work(*this);
    if (!work.started()) return;
    // The photo on screen when save was pressed: the dialogs below are modal.
    const ShownPhoto photo = shownPhoto();
    try {
        ws_save_file.clear();
        FileDialogRequest request;
        request.filter = kSaveFilter;
        request.filterIndex = kWrappedFilter;
        const FileDialogResult chosen = m_platform.saveFile(this, request);
        m_dialog.fileName = chosen.fileName;
        m_dialog.filterIndex = chosen.filterIndex;
        const int filterIndex =
            chosen.filterIndex == kBitmapFilter ? kBitmapFilter : kWrappedFilter;
        ws_save_file = withExtension(chosen.fileName, filterIndex);

        std::optional<std::string> caption;
        if (filterIndex == kWrappedFilter) {
            caption = storableCaption();
            if (!caption) return;
        }
        if (QFileInfo::exists(ws_save_file) &&
            !m_platform.askYesNo(this, QStringLiteral("Overright existing photo ?"))) {
            return;
        }
        const std::filesystem::path target = localPath(ws_save_file);
        removeStaleTemporaries(std::filesystem::absolute(target).parent_path());
        if (filterIndex == kWrappedFilter) {
            const WrapJob job = saveWrapped(photo, *caption, work.stopToken());
            offerTrash(photo, job);
        } else {
            saveBitmap();
        }
    } catch (const Failure& failure) {
        hideProgress();
        // A save stopped by the exit button leaves nothing, and nothing to say.
        if (failure.number() != err::DialogCancelled && failure.number() != err::UserInterrupt)
            reportUntrapped(m_platform, this, failure);
    } catch (const std::bad_alloc&) {
        hideProgress();
        reportUntrapped(m_platform, this, Failure(err::OutOfMemory));
    }
}

std::optional<std::string> pixaform::storableCaption() {
    const QList<uint> codePoints = Text1->text().toUcs4();
    const auto refuse = [&](qsizetype index, const QString& why) {
        const QString character =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoints[index]), 1);
        m_platform.message(this, QStringLiteral("The character \"%1\" at position %2 of the "
                                                "caption cannot be stored: %3\r\nNothing was "
                                                "saved.")
                                     .arg(character, QString::number(index + 1), why));
        return std::nullopt;
    };
    std::string bytes;
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const int byte = codePageByte(codePoints[i]);
        if (byte < 0) {
            return refuse(i, QStringLiteral("only Western European (Windows-1252) characters "
                                            "can."));
        }
        bytes += static_cast<char>(byte);
    }
    try {
        scrambledTag(bytes, m_session.currentOwner().gbl_mul_fact);
    } catch (const Failure& failure) {
        if (failure.kind() != FailureKind::CharacterRefused) throw;
        const size_t position = failure.refusedPosition();
        const auto byte = static_cast<unsigned char>(bytes.at(position - 1));
        return refuse(static_cast<qsizetype>(position - 1),
                      isControlByte(byte)
                          ? QStringLiteral("it is a control character.")
                          : QStringLiteral("with this owner's key its code would pass 255. Use "
                                           "a plain letter instead."));
    }
    return std::string(trimSpaces(bytes));
}

WrapJob pixaform::saveWrapped(const ShownPhoto& photo, const std::string& caption,
                              std::stop_token stop) {
    const WrapItem item{localPath(photo.ws_file), localPath(ws_save_file),
                        toCodePage(photo.orig_file_type.toStdString()), caption};
    WrapJob job(item, m_session.currentOwner(), &m_session.clock(),
                barProgress([this](int block, int) { setProgress(block); }), std::move(stop));
    BusyPointer busy;
    yield();
    showProgress(barRange(pictureBlocks(QFileInfo(photo.ws_file).size())));
    job.wrap();
    busy.release();
    hideProgress();
    yield();
    m_platform.message(this, QStringLiteral("File saved"));
    return job;
}

void pixaform::offerTrash(const ShownPhoto& photo, const WrapJob& job) {
    // An unwrapped photo's picture is the application's own temporary file, not an original.
    if (photo.kind != ShownPhoto::Kind::Picture || photo.ws_file == m_trashedPhoto) return;
    if (!m_platform.askYesNo(
            this, QStringLiteral("Move the original photo to the trash?\r\n%1").arg(photo.ws_file),
            Platform::Default::No)) {
        return;
    }
    BusyPointer busy;
    yield();
    showProgress(barRange(pictureBlocks(QFileInfo(photo.ws_file).size())));
    DesktopTrash trash;
    const TrashOutcome outcome = job.trashOriginal(trash);
    busy.release();
    hideProgress();
    yield();
    if (!outcome.moved) {
        m_platform.message(this, QStringLiteral("The original photo stays where it is: %1.\r\n%2")
                                     .arg(QString::fromStdString(outcome.reason), photo.ws_file));
        return;
    }
    const QString inTrash = windowPath(outcome.inTrash);
    m_trashedPhoto = inTrash;
    // The photo on screen is still there, in the trash, for another save.
    const ShownPhoto& shown = shownPhoto();
    if (shown.kind == photo.kind && shown.ws_file == photo.ws_file)
        m_photo.show({ShownPhoto::Kind::Picture, inTrash, photo.orig_file_type}, false);
}

void pixaform::saveBitmap() {
    // What the viewport shows, at the size shown: reduced after fit to window.
    const QImage picture = shownPicture();
    if (picture.isNull()) throw Failure(err::InvalidPicture, "no picture is shown");
    const BusyPointer busy;
    AtomicFile out(localPath(ws_save_file));
    AtomicFileDevice device(out);
    QImageWriter writer(&device, "bmp");
    const bool written = writer.write(picture);
    device.throwFailure();
    if (!written) throw Failure(err::DeviceIO, writer.errorString().toStdString());
    out.commit();
}

} // namespace pixa::ui
