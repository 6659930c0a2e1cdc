// A WebP picture decoded some rows at a time by libwebp's incremental decoder, fed the file's
// bytes a part at a time.
#include "imaging/photo_decoders.h"
#include "imaging/row_strips.h"

#include "core/picture_file.h"

#include <webp/decode.h>

#include <algorithm>
#include <string_view>

namespace pixa {

namespace {

// The least the decoder is fed at a time: fewer bytes would call it for a row or less.
constexpr qsizetype kLeastFeed = 16 << 10;

// A lossless picture is decoded into a whole picture of its own first, as its codes may copy
// pixels from anywhere above: four more bytes a pixel.
constexpr uint64_t kLosslessBytesPerPixel = 4;

class WebpStrips final : public RowStrips {
public:
    WebpStrips(const QString& path, PictureBytes read) : RowStrips(path, std::move(read)) {}
    ~WebpStrips() override {
        if (m_decoder) WebPIDelete(m_decoder);
    }

    // Reads the header: false for a picture left to the whole decode. Throws as loadPicture().
    bool start(int64_t fromPixels);

protected:
    void decodeTo(int row) override;

private:
    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(m_bytes.constData()); }

    WebPIDecoder* m_decoder = nullptr;
    qsizetype m_fed = 0; // the bytes the decoder has been given
};

bool WebpStrips::start(int64_t fromPixels) {
    WebPBitstreamFeatures features{};
    // Animations, and what libwebp's header reader refuses, are left to Qt's reader.
    if (WebPGetFeatures(data(), size_t(m_bytes.size()), &features) != VP8_STATUS_OK ||
        features.has_animation || features.width <= 0 || features.height <= 0 ||
        !worthStrips(QSize(features.width, features.height), fromPixels))
        return false;
    if (embeddedOrientation(PictureKind::WebP,
                            std::string_view(m_bytes.constData(), size_t(m_bytes.size()))) != 1)
        return false;
    const QSize size(features.width, features.height);
    const bool lossless = features.format == 2;
    allocate(size, features.has_alpha,
             lossless ? uint64_t(size.width()) * uint64_t(size.height()) * kLosslessBytesPerPixel
                      : 0);
    // Straight into the picture's rows, as Qt's reader decodes: blue first, alpha last.
    m_decoder = WebPINewRGB(MODE_BGRA, writableRow(0), size_t(m_picture.sizeInBytes()),
                            int(m_picture.bytesPerLine()));
    if (!m_decoder) outOfMemory(m_path);
    return true;
}

void WebpStrips::decodeTo(int row) {
    // Bytes fed for each row wanted, as the rows share the file on average.
    const qsizetype perRow = m_bytes.size() / m_picture.height() + 1;
    while (m_rowsDone < row) {
        if (m_fed == m_bytes.size()) notAPicture(m_path, "the WebP picture is cut short");
        m_fed = std::min(m_bytes.size(),
                         m_fed + std::max(kLeastFeed, perRow * qsizetype(row - m_rowsDone)));
        const VP8StatusCode status = WebPIUpdate(m_decoder, data(), size_t(m_fed));
        if (status == VP8_STATUS_OUT_OF_MEMORY) outOfMemory(m_path);
        if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED)
            notAPicture(m_path, "the WebP picture does not decode");
        int lastRow = 0;
        if (WebPIDecGetRGB(m_decoder, &lastRow, nullptr, nullptr, nullptr))
            m_rowsDone = std::max(m_rowsDone, lastRow);
        // A picture decoded whole has all its rows, whatever was counted so far.
        if (status == VP8_STATUS_OK) m_rowsDone = m_picture.height();
    }
}

} // namespace

std::unique_ptr<PictureDecode> openWebpStrips(const QString& path, QFile& file,
                                              const KindDecoding& kind, int64_t fromPixels) {
    auto strips = std::make_unique<WebpStrips>(path, readChecked(path, file, kind));
    if (!strips->start(fromPixels)) return nullptr;
    return strips;
}

} // namespace pixa
