// Conversion between UTF-8 text and the single-byte Windows-1252 code page that stored files use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pixa {

// UTF-8 to Windows-1252. A character outside the page, or malformed UTF-8, throws a Failure
// (InvalidArgument) whose detail names the character and its position.
std::string toCodePage(std::string_view utf8);

// The same, with every unconvertible character replaced by `replacement`.
std::string toCodePageLossy(std::string_view utf8, char replacement = '?');

// Windows-1252 to UTF-8. Total: the five unassigned bytes map to the C1 controls of the same
// value, so that every stored byte survives a round trip.
std::string fromCodePage(std::string_view bytes);

// Decodes the UTF-8 character at `pos` and moves `pos` past it; nullopt for a malformed sequence,
// and then `pos` moves past one byte.
std::optional<char32_t> decodeUtf8(std::string_view text, size_t& pos);

// The code-page byte of one Unicode code point, or -1 when the page has none.
int codePageByte(char32_t codePoint);

// Whether a code-page byte is a control character: C0, DEL, or one of the five unassigned bytes,
// which stand for C1 controls.
bool isControlByte(unsigned char byte);

// Refuses text (code-page bytes) that holds a control character: such a character would sit raw
// in stored files and reach terminals. Throws InvalidArgument naming `what` and the character's
// position, never the character itself (the text may be a password), and marked as the refusal
// of that position.
void requireNoControlCharacter(std::string_view bytes, std::string_view what);

} // namespace pixa
