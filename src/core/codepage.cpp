#include "core/codepage.h"

#include "core/error.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace pixa {
namespace {

// Unicode code points of bytes 0x80 to 0x9F; the unassigned ones map to themselves.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
    return byte;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename OnBad> std::string convert(std::string_view utf8, OnBad onBad) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    size_t index = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        const auto cp = decodeUtf8(utf8, pos);
        ++index;
        const int byte = cp ? codePageByte(*cp) : -1;
        if (byte >= 0) {
            out += static_cast<char>(byte);
        } else {
            onBad(out, utf8.substr(start, pos - start), cp, index);
        }
    }
    return out;
}

} // namespace

std::optional<char32_t> decodeUtf8(std::string_view s, size_t& pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    size_t length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (pos + length > s.size()) {
        ++pos;
        return std::nullopt;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto cont = static_cast<unsigned char>(s[pos + i]);
        if ((cont & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (cont & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += length;
    return cp;
}

int codePageByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

bool isControlByte(unsigned char byte) {
    if (byte < 0x20 || byte == 0x7F) return true;
    return byte >= 0x80 && byte < 0xA0 && codePointOf(byte) == byte;
}

void requireNoControlCharacter(std::string_view bytes, std::string_view what) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!isControlByte(static_cast<unsigned char>(bytes[i]))) continue;
        throw Failure(err::InvalidArgument, std::string(what) +
                                                " holds a control character at position " +
                                                std::to_string(i + 1) + ", which cannot be stored")
            .refusing(std::string(what), i + 1);
    }
}

std::string toCodePage(std::string_view utf8) {
    return convert(
        utf8, [](std::string&, std::string_view raw, std::optional<char32_t> cp, size_t index) {
            char code[16];
            if (cp) {
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*cp));
                throw Failure(err::InvalidArgument, "the character \"" + std::string(raw) + "\" (" +
                                                        code + ") at position " +
                                                        std::to_string(index) +
                                                        " cannot be stored: only Western European "
                                                        "(Windows-1252) characters can");
            }
            throw Failure(err::InvalidArgument,
                          "the text is not valid UTF-8 at position " + std::to_string(index));
        });
}

std::string toCodePageLossy(std::string_view utf8, char replacement) {
    return convert(utf8, [replacement](std::string& out, std::string_view, std::optional<char32_t>,
                                       size_t) { out += replacement; });
}

std::string fromCodePage(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes)
        appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
    return out;
}

} // namespace pixa
