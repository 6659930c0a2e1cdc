// The wrap command: logs an owner in and wraps BMP or JPEG pictures into .pff files.
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/passwords.h"
#include "cli/terminal.h"
#include "cli/text_output.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <iostream>
#include <map>

namespace pixa {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLoginRefused = "Invalid owner's name or owner password";

// What every source of one run shares.
struct WrapSettings {
    std::optional<std::string> caption;  // code page, trimmed
    std::optional<std::string> fileType; // code page
    std::optional<fs::path> output;
    std::optional<fs::path> outputDir;
    CurrentOwner owner;
};

// The file type that the first bytes announce: ".BMP" for "BM", ".JPG" for FF D8 FF.
std::string pictureTypeOf(const fs::path& source) {
    InputFile in(source);
    unsigned char head[3] = {};
    const size_t got = in.read(head, sizeof head);
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return ".BMP";
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return ".JPG";
    throw CliError(kExitFailure, printable(source.string()) +
                                     " is not a BMP or JPEG picture: it starts with neither "
                                     "\"BM\" nor the bytes FF D8 FF.");
}

std::string captionFromPath(const fs::path& source) {
    const std::string fullPath = fs::absolute(source).lexically_normal().string();
    try {
        return tagFromPath(toCodePage(fullPath));
    } catch (const Failure& f) {
        throw Failure(f.number(), "the path of " + fullPath + " cannot be stored as its caption (" +
                                      f.detail() + "); give one with --caption");
    }
}

fs::path targetOf(const fs::path& source, const WrapSettings& settings) {
    if (settings.output) {
        if (fs::is_directory(*settings.output)) {
            throw CliError(kExitFailure, printable(settings.output->string()) +
                                             " is a folder; use --output-dir for a folder");
        }
        return *settings.output;
    }
    const std::string name = source.filename().string();
    const std::string base = name.substr(0, name.find('.'));
    if (base.empty()) {
        throw CliError(kExitFailure, "no output name can be made from " +
                                         printable(source.string()) + "; use --output");
    }
    return *settings.outputDir / (base + ".pff");
}

WrapRequest planWrap(const fs::path& source, const WrapSettings& settings) {
    const std::string pictureType = pictureTypeOf(source);
    WrapRequest request;
    request.source = source;
    request.target = targetOf(source, settings);
    request.tag = settings.caption ? *settings.caption : captionFromPath(source);
    if (settings.fileType) {
        request.fileType = *settings.fileType;
    } else if (const std::string ext = source.extension().string(); !ext.empty()) {
        try {
            request.fileType = toCodePage(ext);
        } catch (const Failure& f) {
            throw Failure(f.number(), "in the extension of " + source.string() + ", " + f.detail() +
                                          "; give the type with --type");
        }
    } else {
        request.fileType = pictureType;
    }
    request.owner = settings.owner;
    std::error_code ec;
    if (fs::equivalent(source, request.target, ec)) {
        throw CliError(kExitFailure, printable(source.string()) +
                                         " would be replaced by its own wrapped photo; choose "
                                         "another output");
    }
    return request;
}

// The sources' plans, or every reason why some cannot be written, before anything is written.
std::vector<WrapRequest> planAll(const std::vector<std::string>& sources,
                                 const WrapSettings& settings) {
    std::vector<WrapRequest> plans;
    std::vector<std::string> problems;
    std::map<fs::path, std::string> sourceOfTarget;
    for (const auto& source : sources) {
        try {
            WrapRequest plan = planWrap(source, settings);
            const fs::path key = fs::absolute(plan.target).lexically_normal();
            const auto [it, added] = sourceOfTarget.emplace(key, source);
            if (!added) {
                throw CliError(kExitFailure, printable(it->second) + " and " + printable(source) +
                                                 " would both be written to " +
                                                 printable(plan.target.string()));
            }
            plans.push_back(std::move(plan));
        } catch (const Failure& f) {
            problems.push_back(failureMessage(f));
        } catch (const CliError& e) {
            problems.push_back(e.what());
        }
    }
    if (!problems.empty()) {
        std::string message = "Nothing was written.";
        for (const auto& problem : problems)
            message += "\n" + problem;
        throw CliError(kExitFailure, message);
    }
    return plans;
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
        settings.caption = text;
    }
    if (const auto type = args.value("type")) {
        try {
            settings.fileType = toCodePage(*type);
        } catch (const Failure& f) {
            throw Failure(f.number(), "in the file type, " + f.detail());
        }
        requireNoControlCharacter(*settings.fileType, "the file type");
    }
    if (const auto output = args.value("output")) settings.output = fs::path(*output);
    if (const auto dir = args.value("output-dir")) {
        if (!fs::is_directory(*dir)) throw Failure(err::PathNotFound, "no folder " + *dir);
        settings.outputDir = fs::path(*dir);
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
    if ((name + pass).find('\0') != std::string::npos) throw CliError(kExitRefused, kLoginRefused);
    const auto owner =
        loginOwner(store, padField(name, kNameWidth), padField(pass, kPasswordWidth));
    if (!owner) throw CliError(kExitRefused, kLoginRefused);
    return *owner;
}

} // namespace

int runWrap(const CliContext& context, const CliArguments& args) {
    checkUsage(args);
    WrapSettings settings = settingsFrom(args);
    settings.owner = logIn(context, args);
    const std::vector<WrapRequest> plans = planAll(args.positionals(), settings);

    int status = kExitSuccess;
    for (const auto& plan : plans) {
        removeStaleTemporaries(fs::absolute(plan.target).parent_path());
        ProgressLine progress("Wrapping " + printable(plan.source.string()));
        try {
            encrypt_pff_file(
                plan, [&](uint64_t block, uint64_t count) { progress.update(block, count); });
            progress.finish();
            std::cout << printable(plan.target.string()) << '\n' << std::flush;
        } catch (const Failure& f) {
            progress.finish();
            std::cerr << failureMessage(f) << '\n';
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace pixa
