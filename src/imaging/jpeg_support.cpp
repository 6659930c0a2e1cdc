#include "imaging/jpeg_support.h"

#include <jerror.h>

namespace pixa {

namespace {

// The decoder's warnings that mean part of the picture would be made up: its data ends early or
// is damaged. The decoder would carry on with grey; the picture is refused instead.
bool madeUp(int code) {
    return code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF || code == JWRN_HUFF_BAD_CODE ||
           code == JWRN_ARITH_BAD_CODE || code == JWRN_MUST_RESYNC;
}

void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return; // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    ++info->err->num_warnings;
    if (!madeUp(info->err->msg_code)) return;
    errors->cutShort = true;
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

} // namespace

void useJpegErrors(jpeg_decompress_struct& info, JpegErrors& errors) {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
}

uint64_t jpegCoefficientBytes(jpeg_decompress_struct& info) {
    if (!jpeg_has_multiple_scans(&info)) return 0;
    const auto roundUp = [](uint64_t n, uint64_t m) { return (n + m - 1) / m * m; };
    uint64_t coefficients = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        coefficients += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
                        roundUp(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
    }
    return coefficients;
}

} // namespace pixa
