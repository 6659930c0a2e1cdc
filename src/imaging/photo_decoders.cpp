#include "imaging/photo_decoders.h"

#include "core/error.h"
#include "imaging/picture_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <libheif/heif.h>
#include <webp/decode.h>

#include <memory>
#include <string>
#include <vector>

namespace pixa::ui {

namespace {

// Qt refuses any picture over 128 MB decoded by default; the checks before decoding speak
// first, this only backs them.
constexpr int kDecodeLimitMB = 1024;

// The widest and tallest HEIF picture libheif reads at all, its own limit; the pixel limit
// and the decode budget are checked on its size before it is decoded.
constexpr int kHeifMaxSide = 65535;

// What a HEIF decode takes a pixel: the decoder's planes (up to 3 bytes in 4:4:4), its 4-byte
// RGBA picture and the 4-byte copy that is shown. 60 megapixels fit the decode budget.
constexpr uint64_t kHeifBytesPerPixel = 10;

const char* kindName(PictureKind kind) {
    switch (kind) {
    case PictureKind::Png:
        return "PNG";
    case PictureKind::Gif:
        return "GIF";
    case PictureKind::Tiff:
        return "TIFF";
    case PictureKind::WebP:
        return "WebP";
    case PictureKind::Heif:
        return "HEIF";
    default:
        return "";
    }
}

const char* qtFormat(PictureKind kind) {
    switch (kind) {
    case PictureKind::Png:
        return "png";
    case PictureKind::Gif:
        return "gif";
    case PictureKind::Tiff:
        return "tiff";
    case PictureKind::WebP:
        return "webp";
    default:
        return "";
    }
}

// Refuses, before any decoding, a file whose headers do not fit its bytes, and a picture whose
// headers announce more pixels than a photo may have. The size the headers announce.
QSize admit(const QString& path, const QByteArray& bytes, PictureKind kind) {
    const PictureCheck check =
        checkPicture(kind, std::string_view(bytes.constData(), size_t(bytes.size())));
    const std::string name = kindName(kind);
    switch (check.verdict) {
    case PictureVerdict::Whole:
        break;
    case PictureVerdict::CutShort:
        notAPicture(path, "the " + name + " picture is cut short");
    case PictureVerdict::HeaderLies:
        notAPicture(path, "the " + name +
                              " picture's header promises more pixels than its data can hold");
    case PictureVerdict::ScreenTooLarge:
        notAPicture(path, "the GIF picture's screen of " + std::to_string(check.width) + " × " +
                              std::to_string(check.height) +
                              " pixels is far larger than its first frame");
    }
    if (check.width * check.height > uint64_t(kMaxPicturePixels)) {
        tooManyPixels(path, int64_t(check.width), int64_t(check.height));
    }
    return QSize(int(check.width), int(check.height));
}

// The picture as painted: 32 bits a pixel, which paints without a conversion each time.
QImage paintable(QImage image, const QString& path) {
    if (image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    }
    if (image.isNull()) throw Failure(err::OutOfMemory, path.toStdString());
    return image;
}

QImage fitted(QImage image, QSize atMost) {
    if (!atMost.isValid() || (image.width() <= atMost.width() && image.height() <= atMost.height()))
        return image;
    return image.scaled(atMost, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// `image` turned upright by the EXIF `orientation`: pixels moved, never resampled.
QImage upright(QImage image, int orientation) {
    const auto turned = [&image](qreal degrees) {
        return image.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case 2:
        return std::move(image).mirrored(true, false);
    case 3:
        return std::move(image).mirrored(true, true);
    case 4:
        return std::move(image).mirrored(false, true);
    case 5:
        return turned(90).mirrored(true, false);
    case 6:
        return turned(90);
    case 7:
        return turned(90).mirrored(false, true);
    case 8:
        return turned(270);
    default:
        return image;
    }
}

QImage decodeWithQt(const QString& path, const QByteArray& bytes, PictureKind kind, QSize atMost) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::setAllocationLimit(kDecodeLimitMB);
    QImageReader reader(&buffer, qtFormat(kind));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid()) notAPicture(path, reader.errorString().toStdString());
    // Qt's PNG and WebP readers leave the EXIF orientation of their files to the caller.
    const int orientation =
        reader.supportsOption(QImageIOHandler::ImageTransformation)
            ? 1
            : embeddedOrientation(kind, std::string_view(bytes.constData(), size_t(bytes.size())));
    // Decoded at its own pixel format, then converted once to 32 bits when it has fewer, and
    // turned into a copy of its own.
    const uint64_t pixels = uint64_t(size.width()) * uint64_t(size.height());
    const QImage::Format format = reader.imageFormat();
    const int bits =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    requireDecodeBudget(path, size.width(), size.height(),
                        pixels * uint64_t(bits) / 8 + (bits == 32 ? 0 : pixels * 4) +
                            (orientation == 1 ? 0 : pixels * 4));
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, reader.errorString().toStdString());
    image = upright(std::move(image), orientation);
    if (image.isNull()) throw Failure(err::OutOfMemory, path.toStdString());
    return paintable(fitted(std::move(image), atMost), path);
}

// A still WebP picture larger than `atMost` decoded straight at the size that fits in it, by
// libwebp's scaling, and turned upright; null for an animated one, which Qt's reader decodes.
QImage decodeWebpReduced(const QString& path, const QByteArray& bytes, QSize atMost) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK)
        notAPicture(path, "the WebP picture does not decode");
    if (config.input.has_animation) return {};
    const int orientation =
        embeddedOrientation(PictureKind::WebP, std::string_view(bytes.constData(), size));
    const QSize stored(config.input.width, config.input.height);
    // Orientations 5 to 8 turn the picture on its side.
    const QSize bound = orientation >= 5 ? atMost.transposed() : atMost;
    const QSize target = stored.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage image(target, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) throw Failure(err::OutOfMemory, path.toStdString());
    config.options.use_scaling = 1;
    config.options.scaled_width = target.width();
    config.options.scaled_height = target.height();
    // Premultiplied BGRA in memory is Qt's ARGB32 on this little-endian machine.
    config.output.colorspace = MODE_bgrA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) notAPicture(path, "the WebP picture does not decode");
    return upright(std::move(image), orientation);
}

void initHeif() {
    // Loads libheif's decoder plugins once; they stay for the run.
    static const bool ready = (heif_init(nullptr), true);
    (void)ready;
}

using HeifContext = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using HeifHandle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
using HeifImage = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

void heifCheck(const QString& path, heif_error error) {
    if (error.code == heif_error_Ok) return;
    notAPicture(path, std::string("the HEIF picture does not decode: ") + error.message);
}

// The smallest thumbnail of `primary` that still covers `target`; null when none does.
HeifHandle coveringThumbnail(heif_image_handle* primary, QSize target) {
    HeifHandle best(nullptr, heif_image_handle_release);
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0 || !target.isValid()) return best;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    for (const heif_item_id id : ids) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &thumbnail).code != heif_error_Ok)
            continue;
        HeifHandle candidate(thumbnail, heif_image_handle_release);
        const int w = heif_image_handle_get_width(thumbnail);
        const int h = heif_image_handle_get_height(thumbnail);
        const bool covers = w >= target.width() && h >= target.height();
        if (covers && (!best || w < heif_image_handle_get_width(best.get()))) {
            best = std::move(candidate);
        }
    }
    return best;
}

QImage decodeHeif(const QString& path, const QByteArray& bytes, QSize atMost) {
    initHeif();
    HeifContext context(heif_context_alloc(), heif_context_free);
    if (!context) throw Failure(err::OutOfMemory, path.toStdString());
    heif_context_set_maximum_image_size_limit(context.get(), kHeifMaxSide);
    heifCheck(path, heif_context_read_from_memory_without_copy(context.get(), bytes.constData(),
                                                               size_t(bytes.size()), nullptr));
    heif_image_handle* primary = nullptr;
    heifCheck(path, heif_context_get_primary_image_handle(context.get(), &primary));
    HeifHandle handle(primary, heif_image_handle_release);
    // The size with the file's turns applied, as decoded.
    const QSize size(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    if (size.isEmpty()) notAPicture(path, "the HEIF picture has no pixels");
    // A picture over the limit is refused even when a thumbnail of it would do.
    if (int64_t(size.width()) * size.height() > kMaxPicturePixels)
        tooManyPixels(path, size.width(), size.height());
    const QSize target =
        atMost.isValid() && (size.width() > atMost.width() || size.height() > atMost.height())
            ? size.scaled(atMost, Qt::KeepAspectRatio)
            : QSize();
    HeifHandle thumbnail = coveringThumbnail(primary, target);
    heif_image_handle* chosen = thumbnail ? thumbnail.get() : primary;
    const QSize chosenSize(heif_image_handle_get_width(chosen),
                           heif_image_handle_get_height(chosen));
    requireDecodeBudget(path, chosenSize.width(), chosenSize.height(),
                        uint64_t(chosenSize.width()) * uint64_t(chosenSize.height()) *
                            kHeifBytesPerPixel);
    const bool alpha = heif_image_handle_has_alpha_channel(chosen);
    heif_image* decoded = nullptr;
    heifCheck(path, heif_decode_image(chosen, &decoded, heif_colorspace_RGB,
                                      heif_chroma_interleaved_RGBA, nullptr));
    const HeifImage image(decoded, heif_image_release);
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(decoded, heif_channel_interleaved);
    const int h = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!pixels || w <= 0 || h <= 0) notAPicture(path, "the HEIF picture does not decode");
    const QImage view(pixels, w, h, stride,
                      alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    // The copy is made while libheif's picture still lives.
    QImage shown =
        view.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (shown.isNull()) throw Failure(err::OutOfMemory, path.toStdString());
    return fitted(std::move(shown), atMost);
}

} // namespace

QImage decodePhoto(const QString& path, const QByteArray& bytes, PictureKind kind, QSize atMost) {
    const QSize size = admit(path, bytes, kind);
    if (kind == PictureKind::Heif) return decodeHeif(path, bytes, atMost);
    const bool larger = size.width() > atMost.width() || size.height() > atMost.height();
    if (kind == PictureKind::WebP && atMost.isValid() && larger) {
        QImage reduced = decodeWebpReduced(path, bytes, atMost);
        if (!reduced.isNull()) return reduced;
    }
    return decodeWithQt(path, bytes, kind, atMost);
}

QImage loadPhoto(const QString& path, QFile& file, PictureKind kind, QSize atMost) {
    const qint64 size = file.size();
    if (size > kMaxDecodeBytes) {
        throw Failure(err::Overflow,
                      QStringLiteral("The picture file is too large to show: %1 MB. PixaMantler "
                                     "shows photos of up to %2 MB.")
                          .arg((size + 999'999) / 1'000'000)
                          .arg(kMaxDecodeBytes / 1'000'000)
                          .toStdString(),
                      path.toStdString());
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size) {
        throw Failure(err::PathFileAccess,
                      path.toStdString() + ": " + file.errorString().toStdString());
    }
    return decodePhoto(path, bytes, kind, atMost);
}

bool reducesWhileDecoding(PictureKind kind) {
    return kind == PictureKind::Heif || kind == PictureKind::WebP;
}

} // namespace pixa::ui
