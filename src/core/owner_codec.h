// Owner texts: the padding rule, their scrambling with a per-owner factor, and the factor's text.
#pragma once

#include "core/clock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixa {

inline constexpr size_t kNameWidth = 20;
inline constexpr size_t kPasswordWidth = 8;
inline constexpr size_t kHintWidth = 40;

// The text without leading and trailing spaces (spaces only, not other white space).
std::string_view trimSpaces(std::string_view text);

// The padding rule: when `typed` trimmed is shorter than `width`, append one space for each
// missing character to `typed` itself (surrounding spaces kept). Works on code-page bytes.
std::string padField(std::string_view typed, size_t width);

// How the core names the owner texts in its failures (Failure::refusedField()).
inline constexpr const char* kOwnerNameField = "owner's name";
inline constexpr const char* kOwnerPassField = "owner password";
inline constexpr const char* kViewerPassField = "viewer password";
inline constexpr const char* kHintField = "password hint";

// The four scrambled owner texts and the field shift drawn for them.
struct ScrambledOwner {
    std::string encr_name;        // 20
    std::string encr_owner_pass;  // 8
    std::string encr_viewer_pass; // 8
    std::string encr_hint;        // 40
    int32_t mul_fact = 0;         // the field shift F (0..118), not yet multiplied by 11
};

// Draws F = minute + second from `clock` and scrambles the first 20, 8, 8 and 40 bytes of the
// padded texts. A text shorter than its width, or a byte whose code plus F passes 255, throws
// InvalidArgument; for the byte, a CharacterRefused failure naming the field and the position.
ScrambledOwner encrypt_password(std::string_view ws_name, std::string_view ws_owner_pass,
                                std::string_view ws_viewer_pass, std::string_view ws_hint,
                                const Clock& clock);

// The plain form of the first 20, 8 or 40 bytes of `ws_text`, unscrambled with the multiplication
// factor `mul_fact` (F × 11). A short text or a code that does not unscramble throws
// InvalidArgument.
std::string decrypt_name(std::string_view ws_text, int32_t mul_fact);
std::string decrypt_password(std::string_view ws_text, int32_t mul_fact);
std::string decrypt_hint(std::string_view ws_text, int32_t mul_fact);

// A factor as stored: decimal digits with leading zeros to at least four ("0000" pattern).
std::string formatFactor(int32_t factor);

// The store's reading of a factor field: its leading number, leading zeros and embedded spaces
// ignored, rounded to an integer; 0 when it does not start with a number.
int32_t parseLeadingNumber(std::string_view text);

// A wrapped file's reading of its factor field: the whole text must be a number (surrounding
// spaces allowed), rounded to an integer; anything else throws TypeMismatch, and a number
// outside 32 bits throws Overflow.
int32_t parseWholeNumber(std::string_view text);

} // namespace pixa
