// Fuzz target: the conversions between UTF-8 and the Windows-1252 code page, both ways.
#include "core/codepage.h"
#include "core/error.h"
#include "fuzz_support.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Stored bytes to text and back: every byte must survive.
    const std::string text = pixa::fromCodePage(bytes);
    std::string back;
    try {
        back = pixa::toCodePage(text);
    } catch (const pixa::Failure&) {
        pixafuzz::finding("the text of stored bytes does not convert back");
    }
    pixafuzz::require(back == bytes, "stored bytes do not survive a round trip");

    // Typed text to stored bytes: a clear failure or a faithful conversion.
    const std::string lossy = pixa::toCodePageLossy(bytes);
    std::string converted;
    try {
        converted = pixa::toCodePage(bytes);
    } catch (const pixa::Failure& f) {
        pixafuzz::require(f.number() == pixa::err::InvalidArgument && !f.detail().empty(),
                          "a refused text is not reported as an invalid argument");
        pixafuzz::require(lossy.find('?') != std::string::npos,
                          "a refused text converts without replacement");
        return 0;
    }
    pixafuzz::require(converted == lossy, "the lossy conversion differs on convertible text");
    pixafuzz::require(pixa::fromCodePage(converted) == bytes,
                      "converted text does not read back as typed");
    return 0;
}
