// How the tool prints texts: stored code-page fields as UTF-8, safe terminal text and JSON.
#pragma once

#include "core/error.h"

#include <string>
#include <string_view>

namespace pixa {

// A stored field (Windows-1252 bytes) as UTF-8, its trailing padding spaces removed.
std::string displayText(std::string_view codePageBytes);

// UTF-8 text made safe for a terminal line: control characters (C0, DEL, C1) and bytes that are
// not valid UTF-8 become "?", so that a caption or file name cannot move the cursor, start an
// escape sequence or forge another line of output.
std::string printable(std::string_view utf8);

// A JSON string literal, quotes included. Control characters are escaped; bytes that are not
// valid UTF-8 become U+FFFD so that the output is always valid JSON.
std::string jsonString(std::string_view utf8);

// Whether `bytes` is valid UTF-8 throughout.
bool validUtf8(std::string_view bytes);

// Each byte as two lowercase hexadecimal digits: a file name that is not UTF-8, losslessly.
std::string hexBytes(std::string_view bytes);

// A window's message as terminal lines: each CR LF pair becomes a line feed.
std::string terminalLines(std::string_view windowText);

// A failure as the tool reports it: "error 53: File not found: <detail>".
std::string failureMessage(const Failure& failure);

} // namespace pixa
