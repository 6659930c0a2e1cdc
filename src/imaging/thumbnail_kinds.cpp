#include "imaging/thumbnail_kinds.h"

#include "core/picture_file.h"
#include "imaging/heif_support.h"

#include <QBuffer>
#include <QImageReader>

#include <libheif/heif.h>
#include <webp/decode.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace pixa {

namespace {

// What a HEIF or AVIF thumbnail's decode takes a pixel: the decoder's planes (up to 3 bytes in
// 4:4:4), libheif's 4-byte RGBA picture and the 4-byte copy made of it.
constexpr uint64_t kHeifBytesPerPixel = 11;

int64_t longerSide(const heif_image_handle* handle) {
    return std::max(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

int64_t area(const heif_image_handle* handle) {
    return int64_t(heif_image_handle_get_width(handle)) * heif_image_handle_get_height(handle);
}

// The smallest thumbnail of `primary` that covers the box; null when none does. One of more
// pixels than the picture is not its thumbnail.
HeifHandle coveringThumbnail(const heif_image_handle* primary, int edge) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    std::vector<heif_item_id> ids(size_t(std::max(count, 0)));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    HeifHandle best(nullptr, heif_image_handle_release);
    const int64_t wanted = std::min<int64_t>(edge, longerSide(primary));
    for (const heif_item_id id : ids) {
        heif_image_handle* found = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &found).code != heif_error_Ok) continue;
        HeifHandle thumbnail(found, heif_image_handle_release);
        if (longerSide(found) < wanted || area(found) > area(primary)) continue;
        if (!best || area(found) < area(best.get())) best = std::move(thumbnail);
    }
    return best;
}

} // namespace

QSize boxFit(QSize full, int edge) {
    if (full.width() <= edge && full.height() <= edge) return full;
    const QSize fitted = full.scaled(edge, edge, Qt::KeepAspectRatio);
    return {std::max(fitted.width(), 1), std::max(fitted.height(), 1)};
}

StoredThumbnail decodeWebpThumbnail(const QString& path, const QByteArray& bytes,
                                    const KindDecoding&, int edge) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) {
        notAPicture(path, "the WebP picture does not decode");
    }
    if (config.input.has_animation) return {};
    const QSize full(config.input.width, config.input.height);
    const QSize shown = boxFit(full, edge);
    requireDecodeBudget(path, full.width(), full.height(),
                        uint64_t(shown.width()) * uint64_t(shown.height()) * 4);
    const bool alpha = config.input.has_alpha;
    QImage image(shown, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) outOfMemory(path);
    // libwebp averages the pixels it scales away as it decodes each row: the full picture is
    // never made.
    config.options.use_scaling = shown != full;
    config.options.scaled_width = shown.width();
    config.options.scaled_height = shown.height();
    // Qt's 32-bit formats hold a pixel as B, G, R, A bytes on the little-endian machines served.
    config.output.colorspace = alpha ? MODE_bgrA : MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) notAPicture(path, "the WebP picture does not decode");
    return {std::move(image), embeddedOrientation(PictureKind::WebP, {bytes.constData(), size})};
}

StoredThumbnail decodeQtThumbnail(const QString& path, const QByteArray& bytes,
                                  const KindDecoding& kind, int edge) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind.qtFormat);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid()) notAPicture(path, reader.errorString().toStdString());
    if (!reader.supportsOption(QImageIOHandler::ScaledSize)) return {};
    // The reader keeps the scaled picture and a row or two of the full one: less than the full
    // picture the pixel limit, checked with the file, bounds.
    reader.setScaledSize(boxFit(size, edge));
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, reader.errorString().toStdString());
    // Qt's PNG reader leaves the EXIF orientation of its files to the caller.
    const int orientation =
        reader.supportsOption(QImageIOHandler::ImageTransformation)
            ? 1
            : embeddedOrientation(kind.kind, {bytes.constData(), size_t(bytes.size())});
    return {std::move(image), orientation};
}

StoredThumbnail decodeHeifThumbnail(const QString& path, const QByteArray& bytes,
                                    const KindDecoding& kind, int edge) {
    const HeifFile heif = openHeif(path, kind, bytes);
    const heif_image_handle* found = heif.primary.get();
    if (area(found) > kMaxPicturePixels) {
        tooManyPixels(path, heif_image_handle_get_width(found),
                      heif_image_handle_get_height(found));
    }
    const HeifHandle thumbnail = coveringThumbnail(found, edge);
    if (!thumbnail) return {};
    return {decodeHeifHandle(path, kind, thumbnail.get(), kHeifBytesPerPixel), 1};
}

} // namespace pixa
