// A PNG decoded some rows at a time by libpng, row by row into the picture.
#include "imaging/photo_decoders.h"
#include "imaging/row_strips.h"

#include "core/picture_file.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <string_view>

namespace pixa {

namespace {

// libpng's failures jump back to the call that met them, with the message kept here.
struct PngErrors {
    std::string message;
};

void onPngError(png_structp png, png_const_charp message) {
    static_cast<PngErrors*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

// Its warnings (a bad ancillary chunk) leave the picture as Qt's reader leaves it.
void onPngWarning(png_structp, png_const_charp) {}

// The file's bytes, read in order.
struct PngSource {
    const QByteArray& bytes;
    size_t at = 0;
};

void readPng(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > size_t(source->bytes.size()) - source->at) png_error(png, "the data ends early");
    std::memcpy(out, source->bytes.constData() + source->at, count);
    source->at += count;
}

class PngStrips final : public RowStrips {
public:
    PngStrips(const QString& path, PictureBytes read) : RowStrips(path, std::move(read)) {}
    ~PngStrips() override { png_destroy_read_struct(&m_png, &m_info, nullptr); }

    // Reads the header: false for a picture left to the whole decode. Throws as loadPicture().
    bool start(int64_t fromPixels);

protected:
    void decodeTo(int row) override;

private:
    [[noreturn]] void failed() const {
        notAPicture(m_path, "the PNG picture does not decode: " + m_errors.message);
    }

    PngErrors m_errors;
    PngSource m_source{m_bytes, 0};
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    bool m_ended = false;
};

bool PngStrips::start(int64_t fromPixels) {
    m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_errors, onPngError, onPngWarning);
    if (m_png) m_info = png_create_info_struct(m_png);
    if (!m_info) outOfMemory(m_path);
    if (setjmp(png_jmpbuf(m_png))) failed();
    png_set_read_fn(m_png, &m_source, readPng);
    // Memory for chunks is held to what a photo's decode may take.
    png_set_chunk_malloc_max(m_png, png_alloc_size_t(kMaxDecodeBytes));
    png_read_info(m_png, m_info);
    const QSize size(int(png_get_image_width(m_png, m_info)),
                     int(png_get_image_height(m_png, m_info)));
    if (!worthStrips(size, fromPixels)) return false;
    const int type = png_get_color_type(m_png, m_info);
    // Qt's reader gives other bit depths, palettes and transparent colours formats of their own;
    // they are decoded whole, as are interlaced pictures, whose first pass is not their top rows.
    if (png_get_bit_depth(m_png, m_info) != 8 || png_get_interlace_type(m_png, m_info) != 0 ||
        png_get_valid(m_png, m_info, PNG_INFO_tRNS) ||
        (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGBA && type != PNG_COLOR_TYPE_GRAY))
        return false;
    if (embeddedOrientation(PictureKind::Png,
                            std::string_view(m_bytes.constData(), size_t(m_bytes.size()))) != 1)
        return false;
    // Each row decoded as the 32-bit pixels of the picture: blue first, alpha or 0xFF last.
    if (type == PNG_COLOR_TYPE_GRAY) png_set_gray_to_rgb(m_png);
    png_set_bgr(m_png);
    if (type != PNG_COLOR_TYPE_RGBA) png_set_filler(m_png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(m_png, m_info);
    // libpng keeps the row above, at the file's own depth, to undo the filters.
    allocate(size, type == PNG_COLOR_TYPE_RGBA, png_get_rowbytes(m_png, m_info));
    return true;
}

void PngStrips::decodeTo(int row) {
    if (setjmp(png_jmpbuf(m_png))) failed();
    while (m_rowsDone < row) {
        png_read_row(m_png, writableRow(m_rowsDone), nullptr);
        ++m_rowsDone;
    }
    // Its end read once, as Qt's reader reads it: damage after the last row refuses it too.
    if (whole() && !m_ended) png_read_end(m_png, nullptr);
    m_ended = whole();
}

} // namespace

std::unique_ptr<PictureDecode> openPngStrips(const QString& path, QFile& file,
                                             const KindDecoding& kind, int64_t fromPixels) {
    auto strips = std::make_unique<PngStrips>(path, readChecked(path, file, kind));
    if (!strips->start(fromPixels)) return nullptr;
    return strips;
}

} // namespace pixa
