#include "imaging/thumbnail_kinds.h"

#include "core/picture_file.h"
#include "imaging/decode_support.h"
#include "imaging/exif_thumbnail.h"
#include "imaging/jpeg_support.h"

// jpeglib.h needs FILE and size_t declared first, and jerror.h its configuration.
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

#include <algorithm>
#include <csetjmp>

namespace pixa {

namespace {

// Rows handed to the decoder at once: enough for any sampling's row group, so that it writes
// straight into the picture instead of through a spare row.
constexpr int kRowsPerRead = 16;

// The least eighths of `longer` that still reach `edge` (or the whole side, when it is shorter),
// as libjpeg rounds a scaled side: up.
unsigned scaleEighths(int64_t longer, int edge) {
    const int64_t wanted = std::min<int64_t>(edge, longer);
    unsigned eighths = 1;
    while (eighths < 8 && (longer * eighths + 7) / 8 < wanted)
        ++eighths;
    return eighths;
}

// One decode of JPEG bytes at a reduced size. Kept outside the functions that call setjmp, whose
// locals a jump back must not leave undetermined.
struct ScaledJpeg {
    const QString& path;
    std::string_view bytes;
    jpeg_decompress_struct info{};
    JpegErrors errors;
    QImage image;

    ScaledJpeg(const QString& p, std::string_view b) : path(p), bytes(b) {
        useJpegErrors(info, errors);
    }
    // Safe before jpeg_create_decompress() too: a zeroed decoder holds nothing to free.
    ~ScaledJpeg() { jpeg_destroy_decompress(&info); }
    ScaledJpeg(const ScaledJpeg&) = delete;
    ScaledJpeg& operator=(const ScaledJpeg&) = delete;

    int64_t longerSide() const { return std::max(info.image_width, info.image_height); }

    // What the decode at the chosen scale takes, against the limits of a photo. Throws.
    void admit() {
        const int64_t w = info.image_width;
        const int64_t h = info.image_height;
        if (w * h > kMaxPicturePixels) tooManyPixels(path, w, h);
        jpeg_calc_output_dimensions(&info);
        const uint64_t coefficients = jpegCoefficientBytes(info);
        requireDecodeBudget(path, w, h,
                            uint64_t(info.output_width) * info.output_height * 4 + coefficients);
        info.mem->max_memory_to_use = long(coefficients + (32 << 20));
    }

    void allocate() {
        image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
        if (image.isNull()) outOfMemory(path);
    }

    // CMYK rows, stored inverted as Adobe's programs write them, turned into RGB in place.
    void cmykToRgb(JSAMPROW* rows, int count) const {
        for (int r = 0; r < count; ++r) {
            uchar* p = rows[r];
            auto* out = reinterpret_cast<QRgb*>(p);
            for (JDIMENSION x = 0; x < info.output_width; ++x, p += 4) {
                const unsigned k = p[3];
                out[x] = qRgb(int(k * p[0] / 255), int(k * p[1] / 255), int(k * p[2] / 255));
            }
        }
    }
};

bool readHeader(ScaledJpeg& job) {
    if (setjmp(job.errors.jump)) return false;
    jpeg_create_decompress(&job.info);
    jpeg_mem_src(&job.info, reinterpret_cast<const unsigned char*>(job.bytes.data()),
                 static_cast<unsigned long>(job.bytes.size()));
    jpeg_read_header(&job.info, TRUE);
    return true;
}

// Decodes the picture whose header was read at the least scale covering `edge`. False when the
// decoder failed or found the picture damaged, with the reason in job.errors; throws when the
// picture is too large.
bool decodeScaled(ScaledJpeg& job, int edge) {
    jpeg_decompress_struct& info = job.info;
    if (setjmp(job.errors.jump)) return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    info.scale_num = scaleEighths(job.longerSide(), edge);
    info.scale_denom = 8;
    // The picture is scaled down smoothly afterwards, which hides what the faster inverse
    // transform and plain upsampling lose.
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    job.admit();
    jpeg_start_decompress(&info);
    job.allocate();
    JSAMPROW rows[kRowsPerRead];
    while (info.output_scanline < info.output_height) {
        const int first = int(info.output_scanline);
        const int count = std::min<int>(kRowsPerRead, int(info.output_height) - first);
        for (int r = 0; r < count; ++r)
            rows[r] = job.image.scanLine(first + r);
        const int done = int(jpeg_read_scanlines(&info, rows, JDIMENSION(count)));
        if (cmyk) job.cmykToRgb(rows, done);
    }
    jpeg_finish_decompress(&info);
    return true;
}

[[noreturn]] void decodeFailed(const ScaledJpeg& job) {
    if (job.errors.cutShort) notAPicture(job.path, "the JPEG picture is cut short");
    notAPicture(job.path, job.errors.message);
}

// The EXIF thumbnail `bytes` when it covers the box and decodes whole; null otherwise, the
// picture itself then being decoded. One of more pixels than the picture of `pictureArea` is
// not its thumbnail (and could take more than the picture's budget).
QImage embeddedThumbnail(const QString& path, std::string_view bytes, int edge,
                         int64_t pictureArea) {
    if (bytes.empty() || !jpegComplete(bytes)) return {};
    ScaledJpeg job(path, bytes);
    if (!readHeader(job) || job.longerSide() < edge) return {};
    if (int64_t(job.info.image_width) * job.info.image_height > pictureArea) return {};
    if (!decodeScaled(job, edge)) return {};
    return std::move(job.image);
}

} // namespace

StoredThumbnail decodeJpegThumbnail(const QString& path, const QByteArray& data,
                                    const KindDecoding&, int edge) {
    const std::string_view bytes(data.constData(), size_t(data.size()));
    ScaledJpeg picture(path, bytes);
    if (!readHeader(picture)) decodeFailed(picture);
    // In loadPicture()'s order, so that a file gets the same refusal from both.
    const int64_t w = picture.info.image_width;
    const int64_t h = picture.info.image_height;
    if (w * h > kMaxPicturePixels) tooManyPixels(path, w, h);
    if (!jpegComplete(bytes)) notAPicture(path, "the JPEG picture is cut short");
    const int orientation = jpegOrientation(bytes);
    QImage thumbnail = embeddedThumbnail(path, exifThumbnail(bytes), edge, w * h);
    if (!thumbnail.isNull()) return {std::move(thumbnail), orientation};
    if (!decodeScaled(picture, edge)) decodeFailed(picture);
    return {std::move(picture.image), orientation};
}

} // namespace pixa
