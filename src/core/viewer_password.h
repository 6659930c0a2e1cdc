// The unlock rule: how a typed viewer password is compared with the one a wrapped photo carries.
#pragma once

#include "core/pff_file.h"

#include <list>
#include <optional>
#include <string>
#include <string_view>

namespace pixa {

// The typed text (UTF-8) as it is compared: the code-page bytes of its first 8 characters (the
// unlock box takes no more), padded by the padding rule, so that "abc " becomes 9 characters
// and matches no stored password. nullopt when one of those characters has no code-page byte
// or the text is not UTF-8: such a text opens nothing.
std::optional<std::string> paddedViewerPassword(std::string_view typedUtf8);

// Whether the viewer password typed (UTF-8) opens the photo that `info` was read from: the
// padded text equals, letter case included, the file's password unscrambled with the file's own
// factor. A password field that does not unscramble throws InvalidArgument.
bool viewerPasswordOpens(const PffInfo& info, std::string_view typedUtf8);

// Overwrites the text's memory, then empties it.
void wipe(std::string& text) noexcept;

// The viewer passwords that opened a photo in this run, in memory only, so that a photo one of
// them opens is not asked for again. The texts are kept as typed and checked by
// viewerPasswordOpens(); forget() overwrites their memory.
class RememberedPasswords {
public:
    RememberedPasswords() = default;
    ~RememberedPasswords() { forget(); }
    RememberedPasswords(const RememberedPasswords&) = delete;
    RememberedPasswords& operator=(const RememberedPasswords&) = delete;

    // Keeps `typedUtf8` unless it is kept already.
    void remember(std::string_view typedUtf8);
    // Whether a kept password opens the photo `info` was read from; the kept text when one does.
    // Throws as viewerPasswordOpens() does.
    const std::string* opening(const PffInfo& info) const;
    void forget() noexcept;
    bool empty() const { return m_kept.empty(); }

private:
    // A list, whose texts never move: no copy of one is left behind in freed memory.
    std::list<std::string> m_kept;
};

} // namespace pixa
