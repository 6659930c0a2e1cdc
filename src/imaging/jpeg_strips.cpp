#include "imaging/jpeg_strips.h"

#include "core/error.h"
#include "core/picture_file.h"
#include "imaging/jpeg_support.h"

// jpeglib.h needs FILE and size_t declared first, and jerror.h its configuration.
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <future>
#include <stop_token>
#include <string_view>
#include <system_error>

namespace pixa {

namespace {

// Rows a JPEG is decoded in before they are placed upright.
constexpr int kStripRows = 16;

// Where the EXIF orientation puts the stored pixel (x, y) of a width × height picture: pixel
// `origin + x * xStep + y * yStep` of the upright one, which is height × width when turned.
struct Placement {
    int64_t origin, xStep, yStep;
    bool turned;
};

Placement placement(int orientation, int64_t w, int64_t h) {
    switch (orientation) {
    case 2:
        return {w - 1, -1, w, false}; // mirrored
    case 3:
        return {w * h - 1, -1, -w, false}; // upside down
    case 4:
        return {(h - 1) * w, 1, -w, false}; // flipped
    case 5:
        return {0, h, 1, true}; // transposed
    case 6:
        return {h - 1, h, -1, true}; // a quarter turn clockwise
    case 7:
        return {w * h - 1, -h, -1, true}; // transversed
    case 8:
        return {(w - 1) * h, -h, 1, true}; // a quarter turn anticlockwise
    default:
        return {0, 1, w, false};
    }
}

// A file's bytes, read whole.
struct FileBytes {
    LargePageMemory memory;
    size_t size = 0;
    std::string_view view() const { return {memory.get(), size}; }
};

// One JPEG decode: the decoder's state and what it writes into. Kept outside runDecoder(),
// whose locals a jump back must not leave undetermined.
struct JpegJob {
    const QString& path;
    std::string_view bytes;
    jpeg_decompress_struct info{};
    JpegErrors errors;
    QImage image;
    Placement place{};
    bool direct = false; // decoded straight into the picture's rows
    bool finished = false;
    bool checked = false; // the bytes were found whole by an earlier decode of them
    int scaleDenom = 1;   // decoded at 1/2, 1/4 or 1/8 of the size: the decoder's own scaling
    std::unique_ptr<uint32_t[]> strip; // else decoded here first
    JSAMPROW rows[kStripRows] = {};

    JpegJob(const QString& p, std::string_view b) : path(p), bytes(b) {
        useJpegErrors(info, errors);
    }
    // Safe before jpeg_create_decompress() too: a zeroed decoder holds nothing to free.
    ~JpegJob() { jpeg_destroy_decompress(&info); }
    JpegJob(const JpegJob&) = delete;
    JpegJob& operator=(const JpegJob&) = delete;

    bool cmyk() const { return info.out_color_space == JCS_CMYK; }

    // The checks between the header and the decode: size, whole data, memory. Throw.
    void admit() {
        const int64_t w = info.image_width;
        const int64_t h = info.image_height;
        if (w * h > kMaxPicturePixels) tooManyPixels(path, w, h);
        if (!checked && !jpegComplete(bytes)) notAPicture(path, "the JPEG picture is cut short");
        jpeg_calc_output_dimensions(&info);
        const int64_t outWidth = info.output_width;
        const int64_t outHeight = info.output_height;
        uint64_t cost = uint64_t(outWidth) * uint64_t(outHeight) * 4;
        const uint64_t coefficients = jpegCoefficientBytes(info);
        cost += coefficients;
        const int orientation = jpegOrientation(bytes);
        place = placement(orientation, outWidth, outHeight);
        direct = orientation == 1;
        if (!direct) cost += uint64_t(kStripRows) * uint64_t(outWidth) * 4;
        requireDecodeBudget(path, w, h, cost);
        // The decoder's own large buffers may take no more than was counted, with room for its
        // working rows: beyond that it fails instead of allocating.
        info.mem->max_memory_to_use = long(coefficients + (32 << 20));
    }

    // Makes the upright picture and the strip the rows are decoded into. Throws.
    void allocate() {
        const int w = int(info.output_width);
        const int h = int(info.output_height);
        image = place.turned ? pictureOnLargePages(QSize(h, w)) : pictureOnLargePages(QSize(w, h));
        if (image.isNull() || image.bytesPerLine() != image.width() * 4) {
            outOfMemory(path);
        }
        if (!direct) strip.reset(new uint32_t[size_t(kStripRows) * size_t(w)]);
    }

    // A row of the picture, written in place: a window may already show the picture (a copy
    // sharing its pixels) while the rows below are decoded, so it is never detached.
    uchar* writableRow(int row) { return const_cast<uchar*>(image.constScanLine(row)); }

    // Points `rows` at where the next `count` rows are decoded.
    void aim(int firstRow, int count) {
        for (int r = 0; r < count; ++r) {
            rows[r] = direct
                          ? writableRow(firstRow + r)
                          : reinterpret_cast<JSAMPROW>(strip.get() + size_t(r) * info.output_width);
        }
    }

    // Turns the decoded rows into picture pixels: CMYK into RGB, and the strip into its place.
    void placeRows(int firstRow, int count) {
        const int64_t w = info.output_width;
        if (cmyk()) {
            // Stored inverted, as Adobe's programs write CMYK; Qt's own reader reads it so.
            for (int r = 0; r < count; ++r) {
                uchar* p = rows[r];
                auto* out = reinterpret_cast<uint32_t*>(p);
                for (int64_t x = 0; x < w; ++x, p += 4) {
                    const unsigned k = p[3];
                    out[x] = qRgb(int(k * p[0] / 255), int(k * p[1] / 255), int(k * p[2] / 255));
                }
            }
        }
        if (direct) return;
        auto* pixels = reinterpret_cast<uint32_t*>(writableRow(0));
        const Placement& p = place;
        if (!p.turned) {
            for (int r = 0; r < count; ++r) {
                const uint32_t* in = strip.get() + size_t(r) * size_t(w);
                uint32_t* out = pixels + p.origin + int64_t(firstRow + r) * p.yStep;
                for (int64_t x = 0; x < w; ++x)
                    out[x * p.xStep] = in[x];
            }
            return;
        }
        // Turned: a stored row becomes a column, so each upright row takes `count` neighbours.
        for (int64_t x = 0; x < w; ++x) {
            uint32_t* out = pixels + p.origin + x * p.xStep + int64_t(firstRow) * p.yStep;
            const uint32_t* in = strip.get() + x;
            for (int r = 0; r < count; ++r)
                out[r * p.yStep] = in[size_t(r) * size_t(w)];
        }
    }
};

// Reads the header, checks the picture and starts the decoder over `job`; false when it failed
// or found the picture damaged, with the reason in job.errors. The decoding functions' locals are
// plain values, as a jump back into them requires.
bool startDecoder(JpegJob& job) {
    jpeg_decompress_struct& info = job.info;
    if (setjmp(job.errors.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(job.bytes.data()),
                 static_cast<unsigned long>(job.bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK
                               ? JCS_CMYK
                               : JCS_EXT_BGRX;
    info.scale_num = 1;
    info.scale_denom = unsigned(job.scaleDenom);
    job.admit();
    jpeg_start_decompress(&info);
    job.allocate();
    return true;
}

// Decodes up to `maxRows` more rows (whole strips); false as startDecoder().
bool decodeRows(JpegJob& job, int maxRows) {
    jpeg_decompress_struct& info = job.info;
    if (job.finished) return true;
    if (setjmp(job.errors.jump)) return false;
    const int end =
        int(std::min<int64_t>(info.output_height, int64_t(info.output_scanline) + maxRows));
    while (int(info.output_scanline) < end) {
        const int first = int(info.output_scanline);
        const int count = std::min<int>(kStripRows, int(info.output_height) - first);
        job.aim(first, count);
        int done = 0;
        while (done < count)
            done += int(jpeg_read_scanlines(&info, job.rows + done, JDIMENSION(count - done)));
        job.placeRows(first, count);
    }
    if (info.output_scanline < info.output_height) return true;
    jpeg_finish_decompress(&info);
    job.finished = true;
    return true;
}

[[noreturn]] void decodeFailed(const JpegJob& job) {
    if (job.errors.cutShort) notAPicture(job.path, "the JPEG picture is cut short");
    notAPicture(job.path, job.errors.message);
}

QImage decodeBytes(const QString& path, std::string_view bytes) {
    JpegJob job(path, bytes);
    if (!startDecoder(job) || !decodeRows(job, int(job.info.output_height))) decodeFailed(job);
    return std::move(job.image);
}

// The whole file, on large pages: the check and every decode read all of it.
FileBytes readWhole(const QString& path, QFile& file) {
    FileBytes bytes{largePageMemory(size_t(file.size())), 0};
    if (!bytes.memory) outOfMemory(path);
    const qint64 read = file.read(bytes.memory.get(), file.size());
    if (read < 0) unreadable(path, file);
    // A file cut meanwhile is found cut short by the check.
    bytes.size = size_t(read);
    return bytes;
}

// The whole picture decoded at 1/`denom` of its size by a decoder of its own over `bytes`,
// checked whole when the first decoder started; a stop ends it between strips.
QImage decodeReduced(const QString& path, std::string_view bytes, int denom, std::stop_token stop) {
    JpegJob job(path, bytes);
    job.checked = true;
    job.scaleDenom = denom;
    if (!startDecoder(job)) decodeFailed(job);
    while (!job.finished) {
        if (stop.stop_requested()) throw Failure(err::UserInterrupt, path.toStdString());
        if (!decodeRows(job, kRowsPerStrip)) decodeFailed(job);
    }
    return std::move(job.image);
}

// A JPEG decoded some rows at a time: the file's bytes, the decode of its rows, and the reduced
// decodes of the whole picture made beside them.
class JpegStrips final : public PictureDecode {
public:
    JpegStrips(const QString& path, FileBytes bytes) : m_path(path), m_bytes(std::move(bytes)) {}
    ~JpegStrips() override;

    // Starts the decode of the rows; throws as loadPicture().
    void start() {
        if (!startDecoder(m_rows)) decodeFailed(m_rows);
        m_reducible = !jpeg_has_multiple_scans(&m_rows.info);
    }
    const QImage& picture() const override { return m_rows.image; }
    int rowsDone() const override { return int(m_rows.info.output_scanline); }
    bool whole() const override { return m_rows.finished; }
    bool topFirst() const override;
    void decode(int rows) override;
    QImage reduced(QSize atLeast) override;
    void reduceAhead(QSize atLeast) override;
    QImage reducedSoon(QSize atLeast) override;
    bool reducible() const override { return m_reducible; }

private:
    // Keeps the decode ahead's picture once it has ended.
    void takeAhead();

    QString m_path;
    FileBytes m_bytes;
    JpegJob m_rows{m_path, m_bytes.view()};
    bool m_reducible = false;
    QImage m_reduced;
    int m_reducedDenom = 0;
    // The reduced decode started ahead, on a thread of its own, over m_bytes.
    std::stop_source m_aheadStop;
    std::future<QImage> m_ahead;
    int m_aheadDenom = 0;
};

JpegStrips::~JpegStrips() {
    // The decode ahead reads m_bytes: it ends before they go, whatever the members' order.
    m_aheadStop.request_stop();
    if (m_ahead.valid()) m_ahead.wait();
}

bool JpegStrips::topFirst() const {
    const QImage& image = picture();
    return m_rows.direct && int64_t(image.width()) * image.height() >= kStripDecodePixels;
}

void JpegStrips::decode(int rows) {
    if (!decodeRows(m_rows, rows)) decodeFailed(m_rows);
}

void JpegStrips::reduceAhead(QSize atLeast) {
    const int denom = scaleDenominator(picture().size(), atLeast);
    if (m_ahead.valid() || m_reducedDenom == denom) return;
    try {
        m_ahead = std::async(std::launch::async, decodeReduced, m_path, m_bytes.view(), denom,
                             m_aheadStop.get_token());
        m_aheadDenom = denom;
    } catch (const std::system_error&) {
        // No thread for it: reduced() decodes it when asked.
    }
}

void JpegStrips::takeAhead() {
    if (!m_ahead.valid() || m_ahead.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    // One that failed is not started again: the decode of the rows meets the same damage.
    m_reducedDenom = m_aheadDenom;
    m_reduced = {};
    m_reduced = m_ahead.get();
}

QImage JpegStrips::reducedSoon(QSize atLeast) {
    const int denom = scaleDenominator(picture().size(), atLeast);
    takeAhead();
    if (m_reducedDenom == denom) return m_reduced;
    reduceAhead(atLeast);
    return {};
}

QImage JpegStrips::reduced(QSize atLeast) {
    const int denom = scaleDenominator(picture().size(), atLeast);
    if (m_reducedDenom != denom) {
        m_reduced = m_ahead.valid() && m_aheadDenom == denom
                        ? m_ahead.get()
                        : decodeReduced(m_path, m_bytes.view(), denom, {});
        m_reducedDenom = denom;
    }
    return m_reduced;
}

} // namespace

QImage decodeJpeg(const QString& path, QFile& file, const KindDecoding&) {
    return decodeBytes(path, readWhole(path, file).view());
}

std::unique_ptr<PictureDecode> openJpegStrips(const QString& path, QFile& file, const KindDecoding&,
                                              int64_t) {
    auto strips = std::make_unique<JpegStrips>(path, readWhole(path, file));
    strips->start();
    return strips;
}

} // namespace pixa
