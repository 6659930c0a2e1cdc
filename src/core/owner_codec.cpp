#include "core/owner_codec.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/field_codec.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace pixa {
namespace {

std::string decryptPrefix(std::string_view text, size_t width, int32_t factor, const char* what) {
    if (text.size() < width) {
        throw Failure(err::InvalidArgument, std::string("the ") + what + " field holds " +
                                                std::to_string(text.size()) + " characters, not " +
                                                std::to_string(width));
    }
    return unscrambleField(text.substr(0, width), factor);
}

// A secret text's refused character is never named, only its position: messages reach screens
// and logs.
std::string scramblePrefix(std::string_view text, size_t width, int32_t factor, const char* what,
                           bool secret = false) {
    if (text.size() < width) {
        throw Failure(err::InvalidArgument,
                      std::string("the ") + what + " is shorter than its field; pad it first");
    }
    try {
        return scrambleField(text.substr(0, width), factor);
    } catch (const Failure& f) {
        // A secret text's refused character is never named, only its position.
        const std::string detail =
            secret ? "the character at position " + std::to_string(f.refusedPosition()) +
                         " cannot be scrambled with this owner's key"
                   : f.detail();
        throw f.rephrased(std::string("in the ") + what + ", " + detail)
            .refusing(what, f.refusedPosition());
    }
}

// Parses [sign] digits [. digits] [E [sign] digits] from `text` at `pos`, skipping the
// characters that `skip` accepts; nullopt when no digit was seen.
template <typename Skip>
std::optional<double> parseNumber(std::string_view text, size_t& pos, Skip skip) {
    std::string literal;
    auto at = [&](size_t p) { return p < text.size() ? text[p] : '\0'; };
    auto advance = [&] {
        ++pos;
        while (pos < text.size() && skip(text[pos]))
            ++pos;
    };
    while (pos < text.size() && skip(text[pos]))
        ++pos;
    if (at(pos) == '+' || at(pos) == '-') {
        literal += at(pos);
        advance();
    }
    bool digits = false;
    while (std::isdigit(static_cast<unsigned char>(at(pos)))) {
        literal += at(pos);
        digits = true;
        advance();
    }
    if (at(pos) == '.') {
        literal += '.';
        advance();
        while (std::isdigit(static_cast<unsigned char>(at(pos)))) {
            literal += at(pos);
            digits = true;
            advance();
        }
    }
    if (!digits) return std::nullopt;
    const char e = at(pos);
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        size_t save = pos;
        std::string exponent = "e";
        advance();
        if (at(pos) == '+' || at(pos) == '-') {
            exponent += at(pos);
            advance();
        }
        bool expDigits = false;
        while (std::isdigit(static_cast<unsigned char>(at(pos)))) {
            exponent += at(pos);
            expDigits = true;
            advance();
        }
        if (expDigits) {
            literal += exponent;
        } else {
            pos = save;
        }
    }
    return std::strtod(literal.c_str(), nullptr);
}

} // namespace

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string padField(std::string_view typed, size_t width) {
    std::string out(typed);
    const size_t trimmed = trimSpaces(typed).size();
    if (trimmed < width) out.append(width - trimmed, ' ');
    return out;
}

ScrambledOwner encrypt_password(std::string_view ws_name, std::string_view ws_owner_pass,
                                std::string_view ws_viewer_pass, std::string_view ws_hint,
                                const Clock& clock) {
    const std::tm now = clock.localNow();
    ScrambledOwner out;
    out.mul_fact = now.tm_min + now.tm_sec;
    const int32_t factor = out.mul_fact * 11;
    out.encr_name = scramblePrefix(ws_name, kNameWidth, factor, kOwnerNameField);
    out.encr_owner_pass =
        scramblePrefix(ws_owner_pass, kPasswordWidth, factor, kOwnerPassField, true);
    out.encr_viewer_pass =
        scramblePrefix(ws_viewer_pass, kPasswordWidth, factor, kViewerPassField, true);
    out.encr_hint = scramblePrefix(ws_hint, kHintWidth, factor, kHintField);
    return out;
}

std::string decrypt_name(std::string_view ws_text, int32_t mul_fact) {
    return decryptPrefix(ws_text, kNameWidth, mul_fact, "owner name");
}

std::string decrypt_password(std::string_view ws_text, int32_t mul_fact) {
    return decryptPrefix(ws_text, kPasswordWidth, mul_fact, "password");
}

std::string decrypt_hint(std::string_view ws_text, int32_t mul_fact) {
    return decryptPrefix(ws_text, kHintWidth, mul_fact, "hint");
}

std::string formatFactor(int32_t factor) {
    char buffer[16];
    if (factor < 0) {
        std::snprintf(buffer, sizeof buffer, "-%04lld", -static_cast<long long>(factor));
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d", factor);
    }
    return buffer;
}

int32_t parseLeadingNumber(std::string_view text) {
    size_t pos = 0;
    const auto value =
        parseNumber(text, pos, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    if (!value || std::isnan(*value)) return 0;
    const double rounded = std::nearbyint(*value);
    if (rounded > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (rounded < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

int32_t parseWholeNumber(std::string_view text) {
    const auto trimmed = trimSpaces(text);
    size_t pos = 0;
    const auto value = parseNumber(trimmed, pos, [](char) { return false; });
    if (!value || pos != trimmed.size()) {
        throw Failure(err::TypeMismatch,
                      "the factor field \"" + fromCodePage(text) + "\" is not a number");
    }
    const double rounded = std::nearbyint(*value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max())) {
        throw Failure(err::Overflow,
                      "the factor field \"" + fromCodePage(text) + "\" is too large");
    }
    return static_cast<int32_t>(rounded);
}

} // namespace pixa
