// Decodes a JPEG file read whole into memory: at once, or some rows at a time beside reduced views.
#pragma once

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

namespace pixa::ui {

// The JPEG in `file`, read whole, checked and decoded upright; fails as loadPicture().
QImage loadJpeg(const QString& path, QFile& file);

// From this many pixels a JPEG is shown while it decodes: its top rows first.
inline constexpr int64_t kStripDecodePixels = 8'000'000;
// Rows decoded between two looks at the window's events: about 1 megapixel of a 150-megapixel
// photo, some 10 ms.
inline constexpr int kRowsPerStrip = 64;

// A JPEG decoded some rows at a time, for a window that shows the rows decoded so far and lets
// its events run in between. Fails as loadPicture() does, with its numbers.
class JpegStrips {
public:
    // Nothing for a file that is not a JPEG by its first bytes; else the decoder started on the
    // checked file, the picture made (rows not decoded yet are not filled).
    static std::unique_ptr<JpegStrips> open(const QString& path);
    ~JpegStrips();
    JpegStrips(const JpegStrips&) = delete;
    JpegStrips& operator=(const JpegStrips&) = delete;

    // The upright picture, written in place as rows are decoded: copies share its pixels.
    const QImage& picture() const;
    // The rows decoded so far; the picture's rows as they are, when topFirst().
    int rowsDone() const;
    bool whole() const;
    // Whether showing the top rows first is worth it: a large picture stored upright (a turned
    // one fills its columns instead).
    bool topFirst() const;
    // Decodes about `rows` more rows.
    void decode(int rows);
    // The whole picture, upright, decoded at the smallest of 1/8, 1/4 and 1/2 of its size that is
    // still at least `atLeast` (at 1/2 when none is): a reduced view long before the rows are
    // all decoded. The last one made is kept.
    QImage reduced(QSize atLeast);
    // Starts the decode that reduced(`atLeast`) makes on a thread of its own, beside the rows
    // decoded here; reduced() then takes its picture, waiting for it if it has not ended.
    void reduceAhead(QSize atLeast);
    // Whether reduced() is cheap beside the decode: a progressive picture would be decoded into
    // all its coefficients a second time.
    bool reducible() const;

private:
    struct Job;
    explicit JpegStrips(std::unique_ptr<Job> job);
    std::unique_ptr<Job> m_job;
};

} // namespace pixa::ui
