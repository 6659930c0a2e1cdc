// Sample files of the photo kinds beside BMP and JPEG, made by Qt's writers, libheif's encoder
// and, for GIF, which Qt does not write, by hand.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace pixatest {

inline QByteArray
written(const QImage& image, const char* format,
        QImageIOHandler::Transformation turn = QImageIOHandler::TransformationNone) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(turn);
    writer.write(image);
    return bytes;
}

// LZW codes of `bits` bits packed from the lowest bit up, as GIF packs them.
class GifBits {
public:
    void put(unsigned code, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (m_used == 0) m_bytes.append('\0');
            if (code >> i & 1) m_bytes.back() = char(uchar(m_bytes.back()) | 1 << m_used);
            m_used = (m_used + 1) % 8;
        }
    }
    // The data as sub-blocks of at most 255 bytes and the closing empty one.
    QByteArray blocks() const {
        QByteArray out;
        for (qsizetype at = 0; at < m_bytes.size(); at += 255) {
            const QByteArray part = m_bytes.mid(at, 255);
            out += char(part.size()) + part;
        }
        return out + '\0';
    }

private:
    QByteArray m_bytes;
    int m_used = 0;
};

// A GIF of width × height with a palette of black, red, green and blue, one frame a colour
// index (1 to 3) in `frames`. Each pixel is its own code, a clear code every two pixels keeping
// the codes at 3 bits.
inline QByteArray gif(int width, int height, std::initializer_list<int> frames) {
    const auto le16 = [](int v) {
        const char bytes[2] = {char(v & 0xFF), char(v >> 8 & 0xFF)};
        return QByteArray(bytes, 2);
    };
    QByteArray out = "GIF89a" + le16(width) + le16(height) + QByteArray("\x81\x00\x00", 3);
    out += QByteArray("\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 12);
    for (const int colour : frames) {
        out += QByteArray("\x21\xF9\x04\x00\x00\x00\x00\x00", 8); // no disposal, no delay
        out += '\x2C' + le16(0) + le16(0) + le16(width) + le16(height) + '\0' + '\x02';
        GifBits bits;
        for (int i = 0; i < width * height; ++i) {
            if (i % 2 == 0) bits.put(4, 3);
            bits.put(unsigned(colour), 3);
        }
        bits.put(5, 3);
        out += bits.blocks();
    }
    return out + '\x3B';
}

// `image` encoded as HEIC with the given orientation (written as irot/imir boxes) and, when
// `thumbnailSide` is above 0, a thumbnail within that square. Empty when this libheif cannot
// encode HEVC.
inline QByteArray heic(const QImage& image, heif_orientation orientation, int thumbnailSide = 0) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                        heif_context_free);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
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

} // namespace pixatest
