// Scrambling of text fields: every byte shifted by a field shift keyed by a multiplication factor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixa {

// The field shift of a multiplication factor: factor / 11 rounded to the nearest integer.
int64_t fieldShift(int32_t factor);

// Each byte plus the field shift. A result outside 0..255 throws InvalidArgument naming the
// character; nothing is returned then.
std::string scrambleField(std::string_view plain, int32_t factor);

// Each byte minus the field shift; throws InvalidArgument for a result outside 0..255.
std::string unscrambleField(std::string_view scrambled, int32_t factor);

// An unscrambled field that may have stopped early: `text` holds the characters before the
// first one that had no code, and `complete` tells whether there was such a character.
struct PartialField {
    std::string text;
    bool complete = true;
};
PartialField unscrambleFieldPartial(std::string_view scrambled, int32_t factor);

// The named members of the codec. Writers pass the current owner's factor; readers the factor
// stored in the file.
inline std::string encrypt_tag(std::string_view ws_name, int32_t gbl_mul_fact) {
    return scrambleField(ws_name, gbl_mul_fact);
}
inline std::string encrypt_file_type(std::string_view ws_name, int32_t gbl_mul_fact) {
    return scrambleField(ws_name, gbl_mul_fact);
}
inline std::string encrypt_date(std::string_view ws_name, int32_t gbl_mul_fact) {
    return scrambleField(ws_name, gbl_mul_fact);
}
inline std::string encrypt_time(std::string_view ws_name, int32_t gbl_mul_fact) {
    return scrambleField(ws_name, gbl_mul_fact);
}
inline std::string decrypt_file_type(std::string_view ws_text, int32_t gbl_mul_fact) {
    return unscrambleField(ws_text, gbl_mul_fact);
}
inline std::string decrypt_date(std::string_view ws_text, int32_t gbl_mul_fact) {
    return unscrambleField(ws_text, gbl_mul_fact);
}
inline std::string decrypt_time(std::string_view ws_text, int32_t gbl_mul_fact) {
    return unscrambleField(ws_text, gbl_mul_fact);
}
// Never fails: an incomplete result is what windows report as "The selected file seems to be
// corrupt" before they carry on with the partial tag.
inline PartialField decrypt_tag(std::string_view ws_text, int32_t gbl_mul_fact) {
    return unscrambleFieldPartial(ws_text, gbl_mul_fact);
}

} // namespace pixa
