// libjpeg's error manager for every JPEG decode here: a failure, or a warning that part of the
// picture would be made up, jumps back to the decode instead of carrying on with grey.
#pragma once

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>

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

} // namespace pixa
