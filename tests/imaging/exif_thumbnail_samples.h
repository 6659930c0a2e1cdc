// JPEG photos that carry a camera's EXIF thumbnail, for the thumbnail tests and benchmarks.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <optional>

namespace pixatest {

inline QByteArray jpegOf(const QImage& image, int quality = 90) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// Where withExifThumbnail() puts the thumbnail, from the start of the TIFF header: after the
// header and two IFDs, of one entry and of two.
inline constexpr quint32 kExifThumbnailAt = 8 + (2 + 12 + 4) + (2 + 2 * 12 + 4);

// Where an EXIF block says its thumbnail is, from the start of its TIFF header.
struct ThumbnailPlace {
    quint32 offset;
    quint32 length;
};

// `jpeg` with an EXIF block (big-endian) right after its start: the `orientation` (1 to 8) in its
// first IFD and, when `thumbnail` is not empty, those JPEG bytes as the thumbnail of its second
// IFD, where `place` says unless it is given (a hostile file's fields).
inline QByteArray withExifThumbnail(const QByteArray& jpeg, int orientation,
                                    const QByteArray& thumbnail,
                                    std::optional<ThumbnailPlace> place = std::nullopt) {
    const auto be = [](quint32 v, int size) {
        QByteArray out;
        for (int i = size - 1; i >= 0; --i)
            out += char(v >> (8 * i));
        return out;
    };
    const auto entry = [&be](quint32 tag, quint32 type, quint32 value) {
        return be(tag, 2) + be(type, 2) + be(1, 4) +
               (type == 3 ? be(value, 2) + be(0, 2) : be(value, 4));
    };
    constexpr quint32 kFirstIfd = 8, kSecondIfd = kFirstIfd + 2 + 12 + 4;
    QByteArray tiff = QByteArray("MM\0*", 4) + be(kFirstIfd, 4);
    tiff += be(1, 2) + entry(0x0112, 3, quint32(orientation));
    tiff += be(thumbnail.isEmpty() ? 0 : kSecondIfd, 4);
    if (!thumbnail.isEmpty()) {
        const ThumbnailPlace at =
            place.value_or(ThumbnailPlace{kExifThumbnailAt, quint32(thumbnail.size())});
        tiff += be(2, 2) + entry(0x0201, 4, at.offset) + entry(0x0202, 4, at.length) + be(0, 4);
        tiff += thumbnail;
    }
    const QByteArray segment = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + "\xFF\xE1" + be(quint32(segment.size() + 2), 2) + segment + jpeg.mid(2);
}

} // namespace pixatest
