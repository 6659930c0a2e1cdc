#include "cli/text_output.h"

#include "core/codepage.h"

#include <cstdio>
#include <optional>

namespace pixa {

namespace {

bool isControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

// Calls `onChar(cp, bytes)` for each character of `utf8`, with nullopt for a malformed byte.
template <typename OnChar> void forEachChar(std::string_view utf8, OnChar onChar) {
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        const auto cp = decodeUtf8(utf8, pos);
        onChar(cp, utf8.substr(start, pos - start));
    }
}

} // namespace

std::string displayText(std::string_view codePageBytes) {
    const auto end = codePageBytes.find_last_not_of(' ');
    return fromCodePage(codePageBytes.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::string printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    forEachChar(utf8, [&](std::optional<char32_t> cp, std::string_view bytes) {
        if (!cp || isControl(*cp)) {
            out += '?';
        } else {
            out += bytes;
        }
    });
    return out;
}

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    forEachChar(utf8, [&](std::optional<char32_t> cp, std::string_view bytes) {
        if (!cp) {
            out += "\\ufffd";
            return;
        }
        switch (*cp) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
        }
        // Line and paragraph separators are valid JSON but end lines in JavaScript readers.
        if (isControl(*cp) || *cp == 0x2028 || *cp == 0x2029) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(*cp));
            out += escape;
        } else {
            out += bytes;
        }
    });
    out += '"';
    return out;
}

bool validUtf8(std::string_view bytes) {
    bool valid = true;
    forEachChar(bytes, [&](std::optional<char32_t> cp, std::string_view) { valid = valid && cp; });
    return valid;
}

std::string hexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string failureMessage(const Failure& failure) {
    return "error " + std::to_string(failure.number()) + ": " + printable(failure.what());
}

std::string terminalLines(std::string_view windowText) {
    std::string out;
    out.reserve(windowText.size());
    for (size_t i = 0; i < windowText.size(); ++i) {
        if (windowText[i] == '\r' && i + 1 < windowText.size() && windowText[i + 1] == '\n') {
            continue;
        }
        out += windowText[i];
    }
    return out;
}

} // namespace pixa
