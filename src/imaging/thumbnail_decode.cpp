#include "imaging/thumbnail_decode.h"

#include "core/error.h"
#include "core/picture_file.h"
#include "imaging/decode_support.h"
#include "imaging/photo_decoders.h"
#include "imaging/picture_decode.h"
#include "imaging/thumbnail_kinds.h"

#include <QFile>
#include <QTransform>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace pixa {

namespace {

// What the refusals of a photo given as bytes name in place of a file.
constexpr char kInMemory[] = "the photo";

// A kind with a reduced decode: how its file is checked and named (readChecked()), and the decode.
struct ReducedKind {
    KindDecoding checks;
    StoredThumbnail (*decode)(const QString& path, const QByteArray& bytes,
                              const KindDecoding& kind, int edge);
};

constexpr ReducedKind kReducedKinds[] = {
    {{PictureKind::Jpeg, "JPEG", nullptr, nullptr, nullptr, 0}, decodeJpegThumbnail},
    {{PictureKind::Png, "PNG", "png", nullptr, nullptr, 0}, decodeQtThumbnail},
    {{PictureKind::WebP, "WebP", "webp", nullptr, nullptr, 0}, decodeWebpThumbnail},
    {{PictureKind::Heif, "HEIF", nullptr, nullptr, nullptr, 0}, decodeHeifThumbnail},
    {{PictureKind::Avif, "AVIF", nullptr, nullptr, nullptr, 0}, decodeHeifThumbnail},
};

std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), size_t(bytes.size())};
}

const ReducedKind* reducedKind(PictureKind kind) {
    const auto* row = std::find_if(std::begin(kReducedKinds), std::end(kReducedKinds),
                                   [kind](const ReducedKind& r) { return r.checks.kind == kind; });
    return row == std::end(kReducedKinds) ? nullptr : row;
}

// `image` fitted into the box, smoothly, in a format that paints without conversion.
QImage fitted(QImage image, int edge, const QString& path) {
    const QSize shown = boxFit(image.size(), edge);
    if (shown != image.size())
        image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return paintable(std::move(image), path);
}

// The reduced decode of `bytes`, fitted before it is turned: the turn then moves only the pixels
// shown. Null where the kind's reduced decode does not apply.
QImage reducedThumbnail(const QString& path, const QByteArray& bytes, const ReducedKind& kind,
                        int edge) {
    StoredThumbnail decoded = kind.decode(path, bytes, kind.checks, edge);
    if (decoded.image.isNull()) return {};
    QImage shown = upright(fitted(std::move(decoded.image), edge, path), decoded.orientation);
    if (shown.isNull()) outOfMemory(path);
    return shown;
}

QImage fileThumbnail(const QString& path, int edge) {
    QFile file(path);
    openChecked(path, file);
    if (const ReducedKind* kind =
            reducedKind(pictureKind(view(file.peek(qint64(kKindHeadSize)))))) {
        const PictureBytes read = readChecked(path, file, kind->checks);
        QImage shown = reducedThumbnail(path, read.bytes, *kind, edge);
        if (!shown.isNull()) return shown;
    }
    file.close();
    return fitted(loadPicture(path), edge, path);
}

// A photo given as bytes, as a file that the decoders of files read: one in memory, whose path
// is the process's own link to it.
class MemoryFile {
public:
    explicit MemoryFile(const QByteArray& bytes) : m_fd(::memfd_create("pixa-photo", MFD_CLOEXEC)) {
        if (m_fd < 0) outOfMemory(QString::fromUtf8(kInMemory));
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n =
                ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
            if (n <= 0) outOfMemory(QString::fromUtf8(kInMemory));
            done += n;
        }
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

private:
    int m_fd;
};

// The refusal `failure` of the file at `path` as the refusal of the photo given as bytes.
Failure renamed(const Failure& failure, const QString& path) {
    std::string detail = failure.detail();
    const std::string link = path.toStdString();
    for (size_t at; (at = detail.find(link)) != std::string::npos;)
        detail.replace(at, link.size(), kInMemory);
    return failure.rephrased(detail);
}

} // namespace

QImage decodeThumbnail(const QByteArray& bytes, int edge) {
    edge = std::max(edge, 1);
    // A JPEG, whose file check is its size alone, is decoded from the bytes where they are; any
    // other kind, and a JPEG larger than any photo, goes through the checks of its file.
    const ReducedKind* kind = reducedKind(pictureKind(view(bytes)));
    if (kind && kind->checks.kind == PictureKind::Jpeg && bytes.size() <= kMaxDecodeBytes)
        return reducedThumbnail(QString::fromUtf8(kInMemory), bytes, *kind, edge);
    const MemoryFile file(bytes);
    const QString path = file.path();
    try {
        return fileThumbnail(path, edge);
    } catch (const Failure& failure) {
        throw renamed(failure, path);
    }
}

QImage decodeThumbnail(const QString& path, int edge) {
    return fileThumbnail(path, std::max(edge, 1));
}

} // namespace pixa
