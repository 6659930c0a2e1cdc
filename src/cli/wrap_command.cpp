// The wrap command: logs an owner in and wraps pictures of every kind the core tells into .pff
// files.
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/passwords.h"
#include "cli/terminal.h"
#include "cli/text_output.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"
#include "core/wrap_job.h"
#include "core/wrap_plan.h"

#include <iostream>

namespace pixa {

namespace fs = std::filesystem;

namespace {

// What every source of one run shares.
struct WrapSettings {
    WrapOptions options;
    CurrentOwner owner;
};

// A refusal of the plan as the tool reports it, with the option that gets around it.
std::string refusalMessage(const WrapRefusal& refusal) {
    std::string message =
        refusal.number != 0 ? "error " + std::to_string(refusal.number) + ": " : std::string();
    message += printable(refusal.reason);
    switch (refusal.kind) {
    case WrapRefusalKind::CaptionNotStorable:
        return message + "; give one with --caption";
    case WrapRefusalKind::TypeNotStorable:
        return message + "; give the type with --type";
    case WrapRefusalKind::TargetFolder:
        return message + "; use --output-dir for a folder";
    case WrapRefusalKind::NoTargetName:
        return message + "; use --output";
    case WrapRefusalKind::OwnSource:
        return message + "; choose another output";
    case WrapRefusalKind::Failed:
    case WrapRefusalKind::NotAPicture:
    case WrapRefusalKind::SameTarget:
        return message;
    }
    return message;
}

// The sources' plans, or every reason why some cannot be written, before anything is written.
std::vector<WrapItem> planAll(const std::vector<std::string>& sources, const WrapOptions& options) {
    WrapPlan plan = planWraps(std::vector<fs::path>(sources.begin(), sources.end()), options);
    if (!plan.refusals.empty()) {
        std::string message = "Nothing was written.";
        for (const auto& refusal : plan.refusals)
            message += "\n" + refusalMessage(refusal);
        throw CliError(kExitFailure, message);
    }
    return std::move(plan.items);
}

WrapSettings settingsFrom(const CliArguments& args) {
    WrapSettings settings;
    if (const auto caption = args.value("caption")) {
        std::string text;
        try {
            text = std::string(trimSpaces(toCodePage(*caption)));
        } catch (const Failure& f) {
            throw Failure(f.number(), "in the caption, " + f.detail());
        }
        if (text.size() > kTagSize) {
            throw CliError(kExitFailure, "The caption holds " + std::to_string(text.size()) +
                                             " characters; at most 64 can be stored.");
        }
        requireNoControlCharacter(text, "the caption");
        settings.options.caption = text;
    }
    if (const auto type = args.value("type")) {
        try {
            settings.options.fileType = toCodePage(*type);
        } catch (const Failure& f) {
            throw Failure(f.number(), "in the file type, " + f.detail());
        }
        requireNoControlCharacter(*settings.options.fileType, "the file type");
        // Stored cut to its field, a longer type would come back as another one.
        if (settings.options.fileType->size() > kFileTypeSize) {
            throw CliError(kExitFailure, "The file type \"" + printable(*type) + "\" holds " +
                                             std::to_string(settings.options.fileType->size()) +
                                             " characters; at most 4 can be stored.");
        }
    }
    if (const auto output = args.value("output")) settings.options.output = fs::path(*output);
    if (const auto dir = args.value("output-dir")) {
        if (!fs::is_directory(*dir)) throw Failure(err::PathNotFound, "no folder " + *dir);
        settings.options.outputFolder = fs::path(*dir);
    }
    return settings;
}

void checkUsage(const CliArguments& args) {
    if (!args.has("owner")) throw usageError("wrap needs --owner NAME");
    if (args.positionals().empty()) throw usageError("wrap needs at least one SOURCE picture");
    const bool output = args.has("output");
    const bool outputDir = args.has("output-dir");
    if (output == outputDir)
        throw usageError("wrap needs either --output FILE or --output-dir DIR");
    if (output && args.positionals().size() > 1) {
        throw usageError("--output takes a single SOURCE; use --output-dir for several");
    }
}

CurrentOwner logIn(const CliContext& context, const CliArguments& args) {
    const OwnerStore store(context.dataFolder(false) / kStoreFileName);
    const EnteredPassword password = enterPassword(PasswordKind::Owner, args, false);
    // A character outside the code page can be in no stored name or password.
    const std::string name = toCodePageLossy(*args.value("owner"), '\0');
    const std::string pass = toCodePageLossy(password.value, '\0');
    const std::string refused(msg::LoginRefused);
    if ((name + pass).find('\0') != std::string::npos) throw CliError(kExitRefused, refused);
    const auto owner =
        loginOwner(store, padField(name, kNameWidth), padField(pass, kPasswordWidth));
    if (!owner) throw CliError(kExitRefused, refused);
    return *owner;
}

} // namespace

int runWrap(const CliContext& context, const CliArguments& args) {
    checkUsage(args);
    WrapSettings settings = settingsFrom(args);
    settings.owner = logIn(context, args);
    int status = kExitSuccess;
    const Interruption interruption;
    for (const auto& item : planAll(args.positionals(), settings.options)) {
        ProgressLine progress("Wrapping " + printable(item.source.string()));
        const WrapJob job(
            item, settings.owner, nullptr,
            [&](uint64_t block, uint64_t count) { progress.update(block, count); },
            interruption.token());
        const WrapRequest& plan = job.request();
        // A type taken from a long extension (".jpeg") is stored cut, as the batch window
        // stores it; said, so that nobody is surprised by ".jpe".
        if (!settings.options.fileType && plan.fileType.size() > kFileTypeSize) {
            std::cerr << printable(plan.source.string()) << ": its type is stored as \""
                      << printable(fromCodePage(plan.fileType.substr(0, kFileTypeSize)))
                      << "\", the first 4 characters of \""
                      << printable(fromCodePage(plan.fileType)) << "\"\n";
        }
        removeStaleTemporaries(fs::absolute(plan.target).parent_path());
        try {
            job.wrap();
            progress.finish();
            std::cout << printable(plan.target.string()) << '\n' << std::flush;
        } catch (const Failure& f) {
            progress.finish();
            interruption.rethrowIfInterrupted(f);
            std::cerr << failureMessage(f) << '\n';
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace pixa
