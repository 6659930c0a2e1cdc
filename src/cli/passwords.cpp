#include "cli/passwords.h"

#include "cli/cli_error.h"
#include "cli/terminal.h"
#include "core/file_io.h"

#include <unistd.h>

#include <cstdlib>

namespace pixa {

namespace {

struct PasswordNames {
    const char* environment;
    std::string_view fileOption;
    const char* prompt;
    const char* confirmPrompt;
    const char* what;
};

PasswordNames namesOf(PasswordKind kind) {
    if (kind == PasswordKind::Owner) {
        return {"PIXAMANTLER_OWNER_PASSWORD", "owner-password-file",
                "Owner password: ", "Re-enter owner password: ", "owner password"};
    }
    return {"PIXAMANTLER_VIEWER_PASSWORD", "viewer-password-file",
            "Viewer password: ", "Re-enter viewer password: ", "viewer password"};
}

// The first line of a file, without its line end.
std::string firstLine(const std::string& path) {
    // Generous for a password, small enough that a wrong file (a photo) is not read whole.
    constexpr size_t kLimit = 64 * 1024;
    InputFile file(path);
    std::string text(static_cast<size_t>(std::min<uint64_t>(file.size(), kLimit)), '\0');
    text.resize(file.read(text.data(), text.size()));
    const auto end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

} // namespace

std::string_view passwordFileOption(PasswordKind kind) {
    return namesOf(kind).fileOption;
}

EnteredPassword enterPassword(PasswordKind kind, const CliArguments& args, bool confirm) {
    const PasswordNames names = namesOf(kind);
    if (const auto file = args.value(names.fileOption)) {
        std::string value = firstLine(*file);
        return {value, value};
    }
    if (const char* value = std::getenv(names.environment)) return {value, value};
    if (!isTerminal(STDIN_FILENO)) {
        throw usageError(std::string("no ") + names.what + " given: set " + names.environment +
                         ", use --" + std::string(names.fileOption) +
                         " FILE, or run on a terminal to type it");
    }
    EnteredPassword entered;
    entered.value = readHiddenLine(names.prompt);
    entered.confirmation = confirm ? readHiddenLine(names.confirmPrompt) : entered.value;
    return entered;
}

} // namespace pixa
