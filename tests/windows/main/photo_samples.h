// Sample files of the photo kinds beside BMP and JPEG, made by Qt's writers, libheif's and
// libjxl's encoders and, for GIF, which Qt does not write, by hand.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <jxl/encode.h>
#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace pixatest {

inline QByteArray
written(const QImage& image, const char* format,
        QImageIOHandler::Transformation turn = QImageIOHandler::TransformationNone,
        int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(turn);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// Left half red, right half blue: a turn shows as red on top or at the bottom.
inline QImage halves(QSize size = QSize(64, 48)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    return image;
}

// An EXIF block, big-endian, that holds only `orientation`.
inline QByteArray exifBlock(int orientation) {
    return QByteArray("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) + char(orientation) +
           QByteArray(6, '\0');
}

inline QByteArray be32(quint32 v) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

inline QByteArray le(quint32 v, int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char(v >> (8 * i));
    return bytes;
}

// `png` with an eXIf chunk of `orientation` after its header, its check sum right.
inline QByteArray pngWithExif(QByteArray png, int orientation) {
    const QByteArray typed = "eXIf" + exifBlock(orientation);
    quint32 crc = 0xFFFFFFFF;
    for (const char c : typed) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320 : 0);
    }
    return png.insert(33, be32(quint32(typed.size() - 4)) + typed + be32(~crc));
}

// A lossy WebP picture put on a canvas of width × height, with an EXIF chunk of `orientation`
// when that is above 0.
inline QByteArray webpOnCanvas(const QByteArray& webp, int width, int height, int orientation = 0) {
    const QByteArray exif = orientation > 0 ? exifBlock(orientation) : QByteArray();
    const QByteArray chunks =
        "VP8X" + le(10, 4) + le(exif.isEmpty() ? 0 : 0x08, 4) + le(quint32(width - 1), 3) +
        le(quint32(height - 1), 3) + webp.mid(12) +
        (exif.isEmpty() ? QByteArray() : "EXIF" + le(quint32(exif.size()), 4) + exif);
    return "RIFF" + le(quint32(chunks.size() + 4), 4) + "WEBP" + chunks;
}

// A GIF of width × height with a palette of black, red, green and blue, one frame a colour
// index (1 to 3) in `frames`. Each pixel is its own code, a clear code every two pixels keeping
// the codes at 3 bits.
inline QByteArray gif(int width, int height, std::initializer_list<int> frames) {
    const auto le16 = [](int v) { return le(quint32(v), 2); };
    QByteArray out = "GIF89a" + le16(width) + le16(height) + QByteArray("\x81\x00\x00", 3);
    out += QByteArray("\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 12);
    for (const int colour : frames) {
        out += QByteArray("\x21\xF9\x04\x00\x00\x00\x00\x00", 8); // no disposal, no delay
        out += '\x2C' + le16(0) + le16(0) + le16(width) + le16(height) + '\0' + '\x02';
        // Codes of 3 bits from the lowest bit up: clear (4), colour, colour, ..., end (5).
        QByteArray data;
        int bit = 0;
        const auto put = [&](unsigned code) {
            for (int i = 0; i < 3; ++i, ++bit) {
                if (bit % 8 == 0) data += '\0';
                data.back() = char(uchar(data.back()) | (code >> i & 1) << bit % 8);
            }
        };
        for (int i = 0; i < width * height; ++i) {
            if (i % 2 == 0) put(4);
            put(unsigned(colour));
        }
        put(5);
        for (qsizetype at = 0; at < data.size(); at += 255)
            out += char(data.mid(at, 255).size()) + data.mid(at, 255);
        out += '\0';
    }
    return out + '\x3B';
}

// `image` encoded as HEIC (HEVC) or AVIF (AV1) with the given orientation (written as irot/imir
// boxes) and, when `thumbnailSide` is above 0, a thumbnail within that square. Empty when this
// libheif cannot encode `coding`.
inline QByteArray heic(const QImage& image, heif_orientation orientation, int thumbnailSide = 0,
                       heif_compression_format coding = heif_compression_HEVC) {
    if (!heif_have_encoder_for_format(coding)) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                        heif_context_free);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), coding, &encoder);
    heif_image* picture = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = orientation;
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context.get(), picture, encoder, options, &handle);
    if (thumbnailSide > 0) {
        heif_context_encode_thumbnail(context.get(), picture, handle, encoder, options,
                                      thumbnailSide, nullptr);
    }
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* userdata) {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    QByteArray out;
    heif_context_write(context.get(), &writer, &out);
    return out;
}

inline QByteArray avif(const QImage& image, heif_orientation orientation) {
    return heic(image, orientation, 0, heif_compression_AV1);
}

// `image` encoded as JPEG XL with the EXIF-numbered `orientation`: a bare codestream, or in the
// container of boxes when `container`.
inline QByteArray jxl(const QImage& image, int orientation, bool container = false) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::unique_ptr<JxlEncoder, decltype(&JxlEncoderDestroy)> encoder(JxlEncoderCreate(nullptr),
                                                                      JxlEncoderDestroy);
    JxlEncoderUseContainer(encoder.get(), container);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(rgb.width());
    info.ysize = uint32_t(rgb.height());
    info.orientation = JxlOrientation(orientation);
    JxlEncoderSetBasicInfo(encoder.get(), &info);
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, false);
    JxlEncoderSetColorEncoding(encoder.get(), &colour);
    QByteArray pixels;
    for (int y = 0; y < rgb.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlEncoderAddImageFrame(JxlEncoderFrameSettingsCreate(encoder.get(), nullptr), &format,
                            pixels.constData(), size_t(pixels.size()));
    JxlEncoderCloseInput(encoder.get());
    QByteArray out(4096, '\0');
    size_t used = 0;
    for (;;) {
        auto* next = reinterpret_cast<uint8_t*>(out.data()) + used;
        size_t left = size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &left);
        used = size_t(out.size()) - left;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return status == JXL_ENC_SUCCESS ? out.left(qsizetype(used)) : QByteArray();
        out.resize(out.size() * 2);
    }
}

} // namespace pixatest
