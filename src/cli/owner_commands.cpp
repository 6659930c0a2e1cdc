// The owner commands: register, owners and hint, with the registration window's rules.
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/passwords.h"
#include "cli/text_output.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace pixa {

namespace fs = std::filesystem;

namespace {

// The one word that names the owner in a command such as "hint NAME".
std::string singleName(const CliArguments& args, const char* command) {
    if (args.positionals().size() != 1) {
        throw usageError(std::string(command) + " takes exactly one owner name");
    }
    return args.positionals().front();
}

// Typed text as code-page bytes. A character outside the page is named, except in a password,
// where naming it would put part of the secret on the screen or in a log.
std::string codePageText(std::string_view utf8, const std::string& what, bool secret) {
    try {
        return toCodePage(utf8);
    } catch (const Failure& f) {
        if (!secret) throw Failure(f.number(), "in " + what + ", " + f.detail());
        throw Failure(f.number(), what + " holds a character that cannot be stored: only "
                                         "Western European (Windows-1252) characters can");
    }
}

bool hasSurroundingSpace(std::string_view text) {
    return !text.empty() && (text.front() == ' ' || text.back() == ' ');
}

// A text the registration stores but that could not be typed back: longer than its field (the
// window's box takes no more), or with a space at either end (the padding rule then makes the
// typed text longer than the stored field, so a login or an unlock never matches it).
void checkTypedBack(std::vector<std::string>& problems, std::string_view text, size_t width,
                    const std::string& what, bool limitLength) {
    if (limitLength && text.size() > width) {
        problems.push_back(what + " may hold at most " + std::to_string(width) + " characters.");
    }
    if (hasSurroundingSpace(text))
        problems.push_back(what + " must not begin or end with a space.");
    for (size_t i = 0; i < text.size(); ++i) {
        if (!isControlByte(static_cast<unsigned char>(text[i]))) continue;
        problems.push_back(what + " holds a control character (position " + std::to_string(i + 1) +
                           "), which cannot be stored.");
        break;
    }
}

// Reported with the other problems; registration refuses it in any case.
void checkNotBlank(std::vector<std::string>& problems, std::string_view password,
                   std::string_view which) {
    if (blankPassword(password)) problems.push_back(msg::passwordCompulsory(which));
}

// How long a registration waits for another one that holds the store: PIXAMANTLER_LOCK_WAIT
// seconds (tests set a short wait), else 30.
std::chrono::milliseconds lockLimit() {
    const char* text = std::getenv("PIXAMANTLER_LOCK_WAIT");
    if (!text || !*text) return std::chrono::seconds(30);
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
        throw usageError("PIXAMANTLER_LOCK_WAIT must be a number of seconds");
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

// Registers through the core's lock wait; says once, when the wait is more than a moment,
// what the tool is waiting for.
std::optional<CurrentOwner> registerWaiting(const OwnerStore& store, std::string_view paddedName,
                                            std::string_view paddedOwnerPass,
                                            std::string_view paddedViewerPass,
                                            std::string_view paddedHint) {
    const SystemClock clock;
    const Interruption interruption;
    LockWait wait;
    wait.limit = lockLimit();
    wait.stop = interruption.token();
    bool said = false;
    wait.waiting = [&](std::chrono::milliseconds waited) {
        if (said ||
            waited < std::min<std::chrono::milliseconds>(std::chrono::seconds(1), wait.limit / 2))
            return;
        said = true;
        std::cerr << "Waiting for another registration to finish with "
                  << printable(store.path().string()) << "...\n";
    };
    try {
        return registerOwner(store, paddedName, paddedOwnerPass, paddedViewerPass, paddedHint,
                             clock, wait);
    } catch (const Failure& f) {
        interruption.rethrowIfInterrupted(f);
        throw;
    }
}

} // namespace

fs::path CliContext::dataFolder(bool create) const {
    if (m_dataDirOption && m_dataDirOption->empty()) throw usageError("--data-dir needs a folder");
    const fs::path folder = resolveDataFolder(m_dataDirOption.value_or(fs::path()), create);
    removeStaleTemporaries(folder);
    return folder;
}

int runRegister(const CliContext& context, const CliArguments& args) {
    const std::string nameTyped = singleName(args, "register");
    const OwnerStore store(context.dataFolder(true) / kStoreFileName);
    const EnteredPassword owner = enterPassword(PasswordKind::Owner, args, true);
    const EnteredPassword viewer = enterPassword(PasswordKind::Viewer, args, true);

    const std::string name = codePageText(nameTyped, "the owner's name", false);
    const std::string hint = codePageText(args.value("hint").value_or(""), "the hint", false);
    const std::string ownerPass = codePageText(owner.value, "the owner password", true);
    const std::string viewerPass = codePageText(viewer.value, "the viewer password", true);
    const std::string paddedName = padField(name, kNameWidth);
    const std::string paddedOwnerPass = padField(ownerPass, kPasswordWidth);
    const std::string paddedViewerPass = padField(viewerPass, kPasswordWidth);

    // Every rule is checked and reported together, as a script cannot correct one box at a time.
    std::vector<std::string> problems;
    if (name.empty()) {
        problems.push_back(std::string(msg::OwnerNameCompulsory));
    } else {
        checkTypedBack(problems, name, kNameWidth, "Owner's name", true);
        if (ownerNameTaken(store, paddedName))
            problems.push_back(terminalLines(msg::OwnerExists));
    }
    checkNotBlank(problems, ownerPass, msg::OwnerPasswordName);
    checkTypedBack(problems, ownerPass, kPasswordWidth, "The owner password", true);
    if (owner.confirmation != owner.value) {
        problems.push_back(std::string(msg::OwnerPasswordMismatch));
    }
    // The viewer box has no length limit: only the first 8 characters are kept, so a viewer
    // password that differs from the owner password only beyond them is the same when stored.
    checkNotBlank(problems, viewerPass, msg::ViewerPasswordName);
    checkTypedBack(problems, viewerPass, kPasswordWidth, "The viewer password", false);
    if (viewer.value == owner.value ||
        paddedViewerPass.substr(0, kPasswordWidth) == paddedOwnerPass.substr(0, kPasswordWidth)) {
        problems.push_back(std::string(msg::PasswordsMustDiffer));
    }
    if (viewer.confirmation != viewer.value) {
        problems.push_back(std::string(msg::ViewerPasswordMismatch));
    }
    checkTypedBack(problems, hint, kHintWidth, "The password hint", true);
    if (!problems.empty()) {
        std::string message;
        for (const auto& problem : problems)
            message += (message.empty() ? "" : "\n") + problem;
        throw CliError(kExitFailure, message);
    }

    const auto registered = registerWaiting(store, paddedName, paddedOwnerPass, paddedViewerPass,
                                            padField(hint, kHintWidth));
    if (!registered) throw CliError(kExitFailure, terminalLines(msg::OwnerExists));
    if (viewerPass.size() > kPasswordWidth) {
        std::cerr << "Only the first 8 characters of the viewer password are kept.\n";
    }
    std::cout << "Owner " << printable(displayText(name)) << " registered.\n";
    return kExitSuccess;
}

int runOwners(const CliContext& context, const CliArguments& args) {
    if (!args.positionals().empty()) throw usageError("owners takes no arguments");
    const OwnerStore store(context.dataFolder(false) / kStoreFileName);
    int status = kExitSuccess;
    size_t number = 0;
    store.forEachRecord([&](const OwnerRecord& record) {
        ++number;
        const PartialField name = unscrambleFieldPartial(record.name, record.factor);
        std::cout << printable(displayText(name.text)) << '\n';
        if (!name.complete) {
            std::cout.flush();
            std::cerr << "The name of owner record " << number << " in "
                      << printable(store.path().string()) << " is damaged.\n";
            status = kExitFailure;
        }
    });
    return status;
}

int runHint(const CliContext& context, const CliArguments& args) {
    const std::string typed = singleName(args, "hint");
    if (typed.empty()) throw CliError(kExitFailure, std::string(msg::EnterUserName));
    const OwnerStore store(context.dataFolder(false) / kStoreFileName);
    // A name with a character outside the code page cannot have been registered.
    const std::string name = toCodePageLossy(typed, '\0');
    const auto hint = name.find('\0') == std::string::npos
                          ? lookupHint(store, padField(name, kNameWidth))
                          : std::nullopt;
    if (!hint) throw CliError(kExitFailure, std::string(msg::UnknownUserName));
    const std::string shown = displayText(*hint);
    // An empty line would look like a hint of spaces, or like a failure to print one.
    if (shown.empty()) {
        std::cerr << "The owner " << printable(typed) << " has no password hint.\n";
        return kExitSuccess;
    }
    std::cout << printable(shown) << '\n';
    return kExitSuccess;
}

} // namespace pixa
