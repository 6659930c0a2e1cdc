// What the HEIF and AVIF decoders share over libheif: its limits, its handles and the decode of
// one picture of a file into a picture of its own.
#pragma once

#include "imaging/decode_support.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <libheif/heif.h>

#include <cstdint>
#include <memory>

namespace pixa {

// The widest and tallest HEIF or AVIF picture libheif reads at all, its own limit; the pixel limit
// and the decode budget are checked on its size before it is decoded.
inline constexpr int kHeifMaxSide = 65535;

using HeifContext = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using HeifHandle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
using HeifImage = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

// Loads libheif's decoder plugins once; they stay for the run.
void initHeif();

// A HEIF or AVIF file read from memory, and its primary picture (which goes before the context).
struct HeifFile {
    HeifContext context{nullptr, heif_context_free};
    HeifHandle primary{nullptr, heif_image_handle_release};
};

// Reads `bytes` (which must outlive the result) within libheif's side limit; throws 481 when
// libheif cannot, 7 when memory runs out.
HeifFile openHeif(const QString& path, const KindDecoding& kind, const QByteArray& bytes);

// Throws 481 naming libheif's reason unless `error` is none.
void heifCheck(const QString& path, const KindDecoding& kind, heif_error error);

// `handle` decoded upright (libheif applies the file's turns) into a picture of its own, 32 bits a
// pixel, once its size is within the pixel limit and `bytesPerPixel` of it within the budget.
QImage decodeHeifHandle(const QString& path, const KindDecoding& kind, heif_image_handle* handle,
                        uint64_t bytesPerPixel);

} // namespace pixa
