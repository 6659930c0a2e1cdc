// A TIFF decoded some rows at a time by libtiff, row by row through its strips.
#include "imaging/photo_decoders.h"
#include "imaging/row_strips.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace pixa {

namespace {

// The file's bytes, which libtiff reads and maps as a file.
struct TiffSource {
    const QByteArray& bytes;
    toff_t at = 0;
    std::string message; // libtiff's last error
};

TiffSource& sourceOf(thandle_t handle) {
    return *static_cast<TiffSource*>(handle);
}

tmsize_t readTiff(thandle_t handle, void* out, tmsize_t count) {
    TiffSource& source = sourceOf(handle);
    const toff_t size = toff_t(source.bytes.size());
    const toff_t from = std::min(source.at, size);
    const tmsize_t n = tmsize_t(std::min<toff_t>(toff_t(count), size - from));
    std::memcpy(out, source.bytes.constData() + from, size_t(n));
    source.at = from + toff_t(n);
    return n;
}

tmsize_t writeTiff(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seekTiff(thandle_t handle, toff_t offset, int whence) {
    TiffSource& source = sourceOf(handle);
    const toff_t base = whence == SEEK_CUR   ? source.at
                        : whence == SEEK_END ? toff_t(source.bytes.size())
                                             : 0;
    source.at = base + offset;
    return source.at;
}

int closeTiff(thandle_t) {
    return 0;
}

toff_t sizeOfTiff(thandle_t handle) {
    return toff_t(sourceOf(handle).bytes.size());
}

int mapTiff(thandle_t handle, void** base, toff_t* size) {
    const TiffSource& source = sourceOf(handle);
    *base = const_cast<char*>(source.bytes.constData());
    *size = toff_t(source.bytes.size());
    return 1;
}

void unmapTiff(thandle_t, void*, toff_t) {}

int onTiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
    char message[256];
    std::vsnprintf(message, sizeof message, format, args);
    static_cast<TiffSource*>(user)->message = message;
    return 1; // handled: nothing printed
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffStrips final : public RowStrips {
public:
    TiffStrips(const QString& path, PictureBytes read) : RowStrips(path, std::move(read)) {}
    ~TiffStrips() override {
        if (m_tiff) TIFFClose(m_tiff);
    }

    // Reads the first picture's tags: false for a picture left to the whole decode. Throws as
    // loadPicture().
    bool start(int64_t fromPixels);

protected:
    void decodeTo(int row) override;

private:
    [[noreturn]] void failed() const {
        notAPicture(m_path, "the TIFF picture does not decode: " + m_source.message);
    }
    // Whether the picture is 8-bit RGB, its samples side by side, stored upright in strips.
    bool plainRgb() const;

    TiffSource m_source{m_bytes, 0, {}};
    TIFF* m_tiff = nullptr;
    std::unique_ptr<uint8_t[]> m_row; // a stored row, decoded
};

bool TiffStrips::plainRgb() const {
    uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, format = 0, orientation = 0;
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ORIENTATION, &orientation);
    return TIFFGetField(m_tiff, TIFFTAG_PHOTOMETRIC, &photometric) &&
           photometric == PHOTOMETRIC_RGB && bits == 8 && samples == 3 &&
           planar == PLANARCONFIG_CONTIG && format == SAMPLEFORMAT_UINT &&
           orientation == ORIENTATION_TOPLEFT && !TIFFIsTiled(m_tiff);
}

bool TiffStrips::start(int64_t fromPixels) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) outOfMemory(m_path);
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, &m_source);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, nullptr);
    // No one allocation of libtiff's beyond what a photo's decode may take.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kMaxDecodeBytes));
    m_tiff = TIFFClientOpenExt("picture", "rm", &m_source, readTiff, writeTiff, seekTiff, closeTiff,
                               sizeOfTiff, mapTiff, unmapTiff, options);
    TIFFOpenOptionsFree(options);
    if (!m_tiff) failed();
    // Other layouts (tiles, planes, other samples, a turned picture) are decoded whole.
    if (!plainRgb()) return false;
    uint32_t width = 0, height = 0;
    TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0) failed();
    if (!worthStrips(QSize(int(width), int(height)), fromPixels)) return false;
    const tmsize_t rowBytes = TIFFScanlineSize(m_tiff);
    if (rowBytes < tmsize_t(width) * 3) failed();
    allocate(QSize(int(width), int(height)), false, uint64_t(rowBytes));
    m_row.reset(new uint8_t[size_t(rowBytes)]);
    return true;
}

void TiffStrips::decodeTo(int row) {
    const int width = m_picture.width();
    while (m_rowsDone < row) {
        if (TIFFReadScanline(m_tiff, m_row.get(), uint32_t(m_rowsDone), 0) < 0) failed();
        auto* out = reinterpret_cast<QRgb*>(writableRow(m_rowsDone));
        const uint8_t* in = m_row.get();
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[0], in[1], in[2]);
        ++m_rowsDone;
    }
}

} // namespace

std::unique_ptr<PictureDecode> openTiffStrips(const QString& path, QFile& file,
                                              const KindDecoding& kind, int64_t fromPixels) {
    auto strips = std::make_unique<TiffStrips>(path, readChecked(path, file, kind));
    if (!strips->start(fromPixels)) return nullptr;
    return strips;
}

} // namespace pixa
