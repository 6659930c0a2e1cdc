#include "imaging/photo_decoders.h"

#include "imaging/heif_support.h"

#include "core/error.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <jxl/decode.h>
#include <libheif/heif.h>

#include <memory>
#include <string>

namespace pixa {

namespace {

// What a HEIF or AVIF decode takes a pixel: the decoder's planes (up to 3 bytes in 4:4:4), its
// 4-byte RGBA picture and the 4-byte copy that is shown. 60 megapixels fit the decode budget.
constexpr uint64_t kHeifBytesPerPixel = 10;

// What a JPEG XL decode takes a pixel: libjxl's frame of 32-bit floats (colour and alpha) and the
// 4-byte picture it writes, which is shown as it is. 30 megapixels fit the decode budget.
constexpr uint64_t kJxlBytesPerPixel = 20;

// Refuses, before any decoding, a file whose headers do not fit its bytes, and a picture whose
// headers announce more pixels than a photo may have.
void admit(const QString& path, const QByteArray& bytes, const KindDecoding& kind) {
    const PictureCheck check =
        checkPicture(kind.kind, std::string_view(bytes.constData(), size_t(bytes.size())));
    const std::string name = kind.name;
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
}

} // namespace

PictureBytes readChecked(const QString& path, QFile& file, const KindDecoding& kind) {
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
    PictureBytes read{largePageMemory(size_t(size)), {}};
    if (!read.memory) outOfMemory(path);
    if (file.read(read.memory.get(), size) != size) unreadable(path, file);
    read.bytes = QByteArray::fromRawData(read.memory.get(), size);
    admit(path, read.bytes, kind);
    return read;
}

namespace {

// What Qt's reader takes to decode a picture of `size` stored as `format`: its pixels at their
// own depth, and once more at four bytes when they must be converted to 32 bits.
uint64_t qtDecodeBytes(QSize size, QImage::Format format) {
    const uint64_t pixels = uint64_t(size.width()) * uint64_t(size.height());
    const int bits =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    return pixels * uint64_t(bits) / 8 + (bits == 32 ? 0 : pixels * 4);
}

using JxlDecoderPtr = std::unique_ptr<JxlDecoder, decltype(&JxlDecoderDestroy)>;

// Runs `decoder` to its next event; a cut file ends wanting input it never gets, and the decode
// stops at the first frame, so an end before it means there is none.
JxlDecoderStatus jxlNext(const QString& path, JxlDecoder* decoder) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
    if (status == JXL_DEC_NEED_MORE_INPUT) notAPicture(path, "the JPEG XL picture is cut short");
    if (status == JXL_DEC_ERROR) notAPicture(path, "the JPEG XL picture does not decode");
    if (status == JXL_DEC_SUCCESS) notAPicture(path, "the JPEG XL picture has no frame");
    return status;
}

} // namespace

QImage decodeBitmap(const QString& path, QFile& file, const KindDecoding&) {
    // Decoders read a cut file as far as it goes and make up the rest; a bitmap's headers tell
    // its length.
    const QByteArray head = file.peek(qint64(kBitmapHeadSize));
    if (!bitmapComplete(std::string_view(head.constData(), size_t(head.size())),
                        uint64_t(file.size()))) {
        notAPicture(path, "the bitmap is cut short");
    }
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (size.isValid()) {
        requireDecodeBudget(path, size.width(), size.height(),
                            qtDecodeBytes(size, reader.imageFormat()));
    }
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, reader.errorString().toStdString());
    return paintable(std::move(image), path);
}

QImage decodeWithQt(const QString& path, QFile& file, const KindDecoding& kind) {
    const PictureBytes read = readChecked(path, file, kind);
    const QByteArray& bytes = read.bytes;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind.qtFormat);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid()) notAPicture(path, reader.errorString().toStdString());
    // Qt's PNG and WebP readers leave the EXIF orientation of their files to the caller.
    const int orientation =
        reader.supportsOption(QImageIOHandler::ImageTransformation)
            ? 1
            : embeddedOrientation(kind.kind,
                                  std::string_view(bytes.constData(), size_t(bytes.size())));
    // Decoded at its own pixel format, converted once to 32 bits when it has fewer, and turned
    // into a copy of its own.
    const uint64_t turnedCopy =
        orientation == 1 ? 0 : uint64_t(size.width()) * uint64_t(size.height()) * 4;
    requireDecodeBudget(path, size.width(), size.height(),
                        qtDecodeBytes(size, reader.imageFormat()) + turnedCopy);
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, reader.errorString().toStdString());
    image = upright(std::move(image), orientation);
    if (image.isNull()) outOfMemory(path);
    return paintable(std::move(image), path);
}

QImage decodeHeif(const QString& path, QFile& file, const KindDecoding& kind) {
    const PictureBytes read = readChecked(path, file, kind);
    const QByteArray& bytes = read.bytes;
    initHeif();
    // AV1 reaches libheif through a decoder plugin a system may lack.
    if (kind.kind == PictureKind::Avif && !heif_have_decoder_for_format(heif_compression_AV1)) {
        notAPicture(path, "no AV1 decoder is installed for the AVIF picture");
    }
    const HeifFile heif = openHeif(path, kind, bytes);
    return decodeHeifHandle(path, kind, heif.primary.get(), kHeifBytesPerPixel);
}

QImage decodeJpegXl(const QString& path, QFile& file, const KindDecoding& kind) {
    const PictureBytes read = readChecked(path, file, kind);
    JxlDecoderPtr decoder(JxlDecoderCreate(nullptr), JxlDecoderDestroy);
    if (!decoder) outOfMemory(path);
    // The first frame, turned upright by its orientation field (libjxl's default).
    JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder.get(), reinterpret_cast<const uint8_t*>(read.bytes.constData()),
                       size_t(read.bytes.size()));
    JxlBasicInfo info{};
    while (jxlNext(path, decoder.get()) != JXL_DEC_BASIC_INFO) {
    }
    JxlDecoderGetBasicInfo(decoder.get(), &info);
    // Judged on the header's size before libjxl takes any memory for the frame.
    requireDecodeBudget(path, info.xsize, info.ysize,
                        uint64_t(info.xsize) * info.ysize * kJxlBytesPerPixel);
    const bool alpha = info.alpha_bits > 0;
    QImage image = pictureOnLargePages(QSize(int(info.xsize), int(info.ysize)),
                                       alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.isNull()) outOfMemory(path);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (JxlDecoderStatus status; (status = jxlNext(path, decoder.get())) != JXL_DEC_FULL_IMAGE;) {
        if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER &&
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, image.bits(),
                                        size_t(image.sizeInBytes())) != JXL_DEC_SUCCESS) {
            notAPicture(path, "the JPEG XL picture does not decode");
        }
    }
    image.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) outOfMemory(path);
    return image;
}

} // namespace pixa
