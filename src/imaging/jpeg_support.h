// What the JPEG decoders share over libjpeg: the error manager, by which a failure or a warning
// that part of the picture would be made up jumps back to the decode instead of carrying on with
// grey, and the memory a picture's coefficients take.
#pragma once

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>

namespace pixa {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool cutShort = false; // the data ends early or is damaged
    char message[JMSG_LENGTH_MAX] = {};
};

// Makes `errors` the manager of `info`: after setjmp(errors.jump), a failure or a made-up picture
// returns there with `errors.message` set.
void useJpegErrors(jpeg_decompress_struct& info, JpegErrors& errors);

// The bytes libjpeg holds for the coefficients of a picture in several scans (progressive or not
// interleaved), decoded whole into them first whatever the scale: 64 of 2 bytes for every block
// of every component, padded to whole coding units. 0 for a picture in one scan.
uint64_t jpegCoefficientBytes(jpeg_decompress_struct& info);

} // namespace pixa
