// The strip decoders of the kinds whose libraries decode top row first (PNG, WebP, TIFF): what
// they share, and how each is opened.
#pragma once

#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"

#include <QByteArray>

#include <memory>

namespace pixa {

// A picture decoded row by row straight into its place, from the file's bytes read whole and
// checked (readChecked()). It has no reduced decode of its own (reducible() is false): reduced()
// scales the picture once it is whole.
class RowStrips : public PictureDecode {
public:
    const QImage& picture() const override { return m_picture; }
    int rowsDone() const override { return m_rowsDone; }
    bool whole() const override { return m_rowsDone == m_picture.height(); }
    bool topFirst() const override;
    void decode(int rows) override;
    QImage reduced(QSize atLeast) override;
    void reduceAhead(QSize) override {}
    QImage reducedSoon(QSize) override { return {}; }
    bool reducible() const override { return false; }

protected:
    RowStrips(const QString& path, PictureBytes read)
        : m_path(path), m_memory(std::move(read.memory)), m_bytes(std::move(read.bytes)) {}

    // Whether a picture of `size` is decoded here: from `fromPixels`.
    static bool worthStrips(QSize size, int64_t fromPixels) {
        return int64_t(size.width()) * size.height() >= fromPixels;
    }
    // Refuses a picture of `size` that would take more than the budget with `extraBytes` beside
    // its own pixels, and makes the picture, 32 bits a pixel as loadPicture() gives: with
    // premultiplied alpha when `alpha`, the decoder then writing straight alpha that
    // decode() premultiplies. Throws as loadPicture().
    void allocate(QSize size, bool alpha, uint64_t extraBytes);
    // A row of the picture, written in place: a window may already show the picture (a copy
    // sharing its pixels) while the rows below are decoded, so it is never detached.
    uchar* writableRow(int row) { return const_cast<uchar*>(m_picture.constScanLine(row)); }
    // Decodes the rows from rowsDone() to at least `row` (fewer only at the picture's end),
    // advancing m_rowsDone. Throws as loadPicture().
    virtual void decodeTo(int row) = 0;

    QString m_path;
    LargePageMemory m_memory; // the file's bytes, which m_bytes shows
    QByteArray m_bytes;
    QImage m_picture;
    int m_rowsDone = 0;

private:
    bool m_alpha = false;
    QImage m_reduced;
    int m_reducedDenom = 0;
};

// Each reads the file of `kind` whole and checks it as loadPicture() does, then starts its
// decode; null for a picture of fewer than `fromPixels` pixels and one it leaves to the whole
// decode (a turned one, an interlaced or 16-bit PNG, an animated WebP, a tiled, planar or other
// than 8-bit RGB TIFF). Throws as loadPicture().
std::unique_ptr<PictureDecode> openPngStrips(const QString& path, QFile& file,
                                             const KindDecoding& kind, int64_t fromPixels);
std::unique_ptr<PictureDecode> openWebpStrips(const QString& path, QFile& file,
                                              const KindDecoding& kind, int64_t fromPixels);
std::unique_ptr<PictureDecode> openTiffStrips(const QString& path, QFile& file,
                                              const KindDecoding& kind, int64_t fromPixels);

} // namespace pixa
