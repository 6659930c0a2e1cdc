#include "windows/main/save_command.h"

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
#include "ui/main_window_rules.h"
#include "ui/trash.h"
#include "ui/yielder.h"
#include "windows/main/command_bar.h"
#include "windows/main/photo_view.h"

#include <QFileInfo>
#include <QImageWriter>

#include <filesystem>
#include <new>

namespace pixa::ui {

namespace {

const QString kSaveFilter =
    QStringLiteral("Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp");
constexpr int kWrappedFilter = 1;
constexpr int kBitmapFilter = 2;

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

SaveCommand::SaveCommand(Session& session, Platform& platform, QWidget& window, CommandBar& bar,
                         const PhotoView& view, ShownPhotoRules& photo,
                         std::function<void(const FileDialogResult&)> chosen)
    : m_session(session), m_platform(platform), m_window(window), m_bar(bar), m_view(view),
      m_photo(photo), m_chosen(std::move(chosen)) {}

void SaveCommand::run(const ShownPhoto& photo, const QString& caption, std::stop_token stop) {
    try {
        save(photo, caption, std::move(stop));
    } catch (const Failure& failure) {
        m_bar.hideProgress();
        // A save stopped by the exit button leaves nothing, and nothing to say.
        if (failure.number() != err::DialogCancelled && failure.number() != err::UserInterrupt)
            reportUntrapped(m_platform, &m_window, failure);
    } catch (const std::bad_alloc&) {
        m_bar.hideProgress();
        reportUntrapped(m_platform, &m_window, Failure(err::OutOfMemory));
    }
}

void SaveCommand::save(const ShownPhoto& photo, const QString& caption, std::stop_token stop) {
    m_target.clear();
    FileDialogRequest request;
    request.filter = kSaveFilter;
    request.filterIndex = kWrappedFilter;
    const FileDialogResult chosen = m_platform.saveFile(&m_window, request);
    m_chosen(chosen);
    const int filterIndex = chosen.filterIndex == kBitmapFilter ? kBitmapFilter : kWrappedFilter;
    m_target = withExtension(chosen.fileName, filterIndex);

    std::optional<std::string> stored;
    if (filterIndex == kWrappedFilter) {
        stored = storableCaption(caption);
        if (!stored) return;
    }
    if (QFileInfo::exists(m_target) &&
        !m_platform.askYesNo(&m_window, QStringLiteral("Overright existing photo ?"))) {
        return;
    }
    const std::filesystem::path target = localPath(m_target);
    removeStaleTemporaries(std::filesystem::absolute(target).parent_path());
    if (filterIndex == kWrappedFilter) {
        const WrapJob job = wrap(photo, *stored, std::move(stop));
        offerTrash(photo, job);
    } else {
        writeBitmap();
    }
}

std::optional<std::string> SaveCommand::storableCaption(const QString& caption) {
    const QList<uint> codePoints = caption.toUcs4();
    const auto refuse = [&](qsizetype index, const QString& why) {
        const QString character =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoints[index]), 1);
        m_platform.message(&m_window, QStringLiteral("The character \"%1\" at position %2 of "
                                                     "the caption cannot be stored: %3\r\n"
                                                     "Nothing was saved.")
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

WrapJob SaveCommand::wrap(const ShownPhoto& photo, const std::string& caption,
                          std::stop_token stop) {
    const WrapItem item{localPath(photo.ws_file), localPath(m_target),
                        toCodePage(photo.orig_file_type.toStdString()), caption};
    WrapJob job(item, m_session.currentOwner(), &m_session.clock(),
                barProgress([this](int block, int) { m_bar.setProgress(block); }), std::move(stop));
    BusyPointer busy;
    Yielder().yieldNow();
    m_bar.showProgress(barRange(pictureBlocks(QFileInfo(photo.ws_file).size())));
    job.wrap();
    busy.release();
    m_bar.hideProgress();
    Yielder().yieldNow();
    m_platform.message(&m_window, QStringLiteral("File saved"));
    return job;
}

void SaveCommand::offerTrash(const ShownPhoto& photo, const WrapJob& job) {
    // An unwrapped photo's picture is the application's own temporary file, not an original.
    if (photo.kind != ShownPhoto::Kind::Picture || photo.ws_file == m_trashedPhoto) return;
    if (!m_platform.askYesNo(
            &m_window,
            QStringLiteral("Move the original photo to the trash?\r\n%1").arg(photo.ws_file),
            Platform::Default::No)) {
        return;
    }
    BusyPointer busy;
    Yielder().yieldNow();
    m_bar.showProgress(barRange(pictureBlocks(QFileInfo(photo.ws_file).size())));
    DesktopTrash trash;
    const TrashOutcome outcome = job.trashOriginal(trash);
    busy.release();
    m_bar.hideProgress();
    Yielder().yieldNow();
    if (!outcome.moved) {
        m_platform.message(&m_window,
                           QStringLiteral("The original photo stays where it is: %1.\r\n%2")
                               .arg(QString::fromStdString(outcome.reason), photo.ws_file));
        return;
    }
    const QString inTrash = windowPath(outcome.inTrash);
    m_trashedPhoto = inTrash;
    // The photo on screen is still there, in the trash, for another save.
    const ShownPhoto& shown = m_photo.shown();
    if (shown.kind == photo.kind && shown.ws_file == photo.ws_file)
        m_photo.show({ShownPhoto::Kind::Picture, inTrash, photo.orig_file_type}, false);
}

void SaveCommand::writeBitmap() {
    // What the view shows, at the size shown: reduced after fit to window.
    const QImage shown = m_view.shownPicture();
    if (shown.isNull()) throw Failure(err::InvalidPicture, "no picture is shown");
    const BusyPointer busy;
    AtomicFile out(localPath(m_target));
    AtomicFileDevice device(out);
    QImageWriter writer(&device, "bmp");
    const bool written = writer.write(shown);
    device.throwFailure();
    if (!written) throw Failure(err::DeviceIO, writer.errorString().toStdString());
    out.commit();
}

} // namespace pixa::ui
