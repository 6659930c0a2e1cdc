#include "core/field_codec.h"

#include "core/codepage.h"
#include "core/error.h"

#include <cmath>

namespace pixa {
namespace {

std::string describeByte(unsigned char byte) {
    return "\"" + fromCodePage(std::string_view(reinterpret_cast<const char*>(&byte), 1)) +
           "\" (code " + std::to_string(byte) + ")";
}

} // namespace

int64_t fieldShift(int32_t factor) {
    // Ties cannot arise for a whole number divided by 11, so the rounding direction of a half
    // never matters; nearbyint keeps the default round-half-even regardless.
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(factor) / 11.0));
}

std::string scrambleField(std::string_view plain, int32_t factor) {
    const int64_t shift = fieldShift(factor);
    std::string out;
    out.reserve(plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        const auto c = static_cast<unsigned char>(plain[i]);
        const int64_t code = c + shift;
        if (code < 0 || code > 255) {
            throw Failure(err::InvalidArgument, "the character " + describeByte(c) +
                                                    " at position " + std::to_string(i + 1) +
                                                    " cannot be scrambled with this owner's key")
                .refusing({}, i + 1);
        }
        out += static_cast<char>(code);
    }
    return out;
}

PartialField unscrambleFieldPartial(std::string_view scrambled, int32_t factor) {
    const int64_t shift = fieldShift(factor);
    PartialField result;
    result.text.reserve(scrambled.size());
    for (const char ch : scrambled) {
        const int64_t code = static_cast<unsigned char>(ch) - shift;
        if (code < 0 || code > 255) {
            result.complete = false;
            return result;
        }
        result.text += static_cast<char>(code);
    }
    return result;
}

std::string unscrambleField(std::string_view scrambled, int32_t factor) {
    auto result = unscrambleFieldPartial(scrambled, factor);
    if (!result.complete) {
        throw Failure(err::InvalidArgument,
                      "a stored field holds a code that does not unscramble (position " +
                          std::to_string(result.text.size() + 1) + ")");
    }
    return std::move(result.text);
}

} // namespace pixa
