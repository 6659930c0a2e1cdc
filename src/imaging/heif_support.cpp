#include "imaging/heif_support.h"

#include <string>

namespace pixa {

void initHeif() {
    static const bool ready = (heif_init(nullptr), true);
    (void)ready;
}

void heifCheck(const QString& path, const KindDecoding& kind, heif_error error) {
    if (error.code == heif_error_Ok) return;
    notAPicture(path,
                std::string("the ") + kind.name + " picture does not decode: " + error.message);
}

HeifFile openHeif(const QString& path, const KindDecoding& kind, const QByteArray& bytes) {
    initHeif();
    HeifFile file;
    file.context.reset(heif_context_alloc());
    if (!file.context) outOfMemory(path);
    heif_context_set_maximum_image_size_limit(file.context.get(), kHeifMaxSide);
    heifCheck(path, kind,
              heif_context_read_from_memory_without_copy(file.context.get(), bytes.constData(),
                                                         size_t(bytes.size()), nullptr));
    heif_image_handle* primary = nullptr;
    heifCheck(path, kind, heif_context_get_primary_image_handle(file.context.get(), &primary));
    file.primary.reset(primary);
    return file;
}

QImage decodeHeifHandle(const QString& path, const KindDecoding& kind, heif_image_handle* handle,
                        uint64_t bytesPerPixel) {
    const int64_t w = heif_image_handle_get_width(handle);
    const int64_t h = heif_image_handle_get_height(handle);
    if (w <= 0 || h <= 0)
        notAPicture(path, std::string("the ") + kind.name + " picture has no pixels");
    requireDecodeBudget(path, w, h, uint64_t(w * h) * bytesPerPixel);
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image* decoded = nullptr;
    heifCheck(path, kind,
              heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                                nullptr));
    const HeifImage image(decoded, heif_image_release);
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int dw = heif_image_get_width(decoded, heif_channel_interleaved);
    const int dh = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!pixels || dw <= 0 || dh <= 0) {
        notAPicture(path, std::string("the ") + kind.name + " picture does not decode");
    }
    const QImage view(pixels, dw, dh, stride,
                      alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    // The copy is made while libheif's picture still lives.
    QImage shown =
        view.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (shown.isNull()) outOfMemory(path);
    return shown;
}

} // namespace pixa
