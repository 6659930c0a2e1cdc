// The commands that read wrapped photos: unwrap, info and list.
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/passwords.h"
#include "cli/terminal.h"
#include "cli/text_output.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/owner_codec.h"
#include "core/pff_file.h"

#include <algorithm>
#include <iostream>

namespace pixa {

namespace fs = std::filesystem;

namespace {

std::string singleFile(const CliArguments& args, const char* command) {
    if (args.positionals().size() != 1) {
        throw usageError(std::string(command) + " takes exactly one FILE.pff");
    }
    return args.positionals().front();
}

void warn(const std::string& message) {
    std::cout.flush();
    std::cerr << message << '\n';
}

void warnCorruptTag(const fs::path& file) {
    warn(printable(file.string()) + ": " + kCorruptTagWarning);
}

} // namespace

int runUnwrap(const CliContext&, const CliArguments& args) {
    const fs::path file = singleFile(args, "unwrap");
    const auto output = args.value("output");
    if (!output) throw usageError("unwrap needs --output FILE");
    if (output->empty()) throw usageError("--output needs a file name");
    const PffReader reader(file);
    if (!reader.info().tagComplete) warnCorruptTag(file);
    std::error_code ec;
    if (fs::equivalent(file, *output, ec)) {
        throw CliError(kExitFailure, printable(file.string()) +
                                         " would be replaced by its own picture; choose another "
                                         "output");
    }

    const EnteredPassword password = enterPassword(PasswordKind::Viewer, args, false);
    std::string typed = toCodePageLossy(password.value, '\0');
    // The unlock window's box takes 8 characters; a character outside the code page can match
    // no stored password.
    typed.resize(std::min(typed.size(), kPasswordWidth));
    if (typed.find('\0') != std::string::npos ||
        !reader.info().viewerPasswordMatches(padField(typed, kPasswordWidth))) {
        throw CliError(kExitRefused, "Invalid password");
    }

    removeStaleTemporaries(fs::absolute(*output).parent_path());
    ProgressLine progress("Unwrapping " + printable(file.string()));
    reader.unwrapTo(
        *output, [&](uint64_t block, uint64_t count) { progress.update(block, count); }, 0600);
    return kExitSuccess;
}

int runInfo(const CliContext&, const CliArguments& args) {
    const fs::path file = singleFile(args, "info");
    const PffReader reader(file);
    const PffInfo& info = reader.info();
    const PartialField owner = unscrambleFieldPartial(info.file_owner_name, info.file_mul_fact);
    if (!info.tagComplete || !owner.complete) warnCorruptTag(file);
    const int64_t pictureSize = info.pictureSize();
    const bool hasPicture = pictureSize >= static_cast<int64_t>(kPictureHeadSize);

    if (args.has("json")) {
        std::cout << "{\"caption\": " << jsonString(displayText(info.tag))
                  << ", \"owner\": " << jsonString(displayText(owner.text))
                  << ", \"file_type\": " << jsonString(displayText(info.fileType))
                  << ", \"date\": " << jsonString(displayText(info.date))
                  << ", \"time\": " << jsonString(displayText(info.time))
                  << ", \"factor\": " << info.file_mul_fact
                  << ", \"picture_size\": " << (hasPicture ? std::to_string(pictureSize) : "null")
                  << "}\n";
    } else {
        std::cout << "Caption: " << printable(displayText(info.tag)) << '\n'
                  << "Owner: " << printable(displayText(owner.text)) << '\n'
                  << "File type: " << printable(displayText(info.fileType)) << '\n'
                  << "Date: " << printable(displayText(info.date)) << '\n'
                  << "Time: " << printable(displayText(info.time)) << '\n'
                  << "Factor: " << info.file_mul_fact << '\n'
                  << "Picture size: "
                  << (hasPicture ? std::to_string(pictureSize) + " bytes" : "none") << '\n';
    }
    if (!hasPicture) {
        warn(printable(file.string()) + " is too short to hold a picture.");
        return kExitFailure;
    }
    return kExitSuccess;
}

int runList(const CliContext&, const CliArguments& args) {
    if (args.positionals().size() != 1) throw usageError("list takes exactly one FOLDER");
    const fs::path folder = args.positionals().front();
    const bool json = args.has("json");
    const auto files = listPffFiles(folder, args.has("recursive"));

    int status = kExitSuccess;
    bool first = true;
    if (json) std::cout << '[';
    // Ask for files this far ahead, so that the disk serves many uncached files at once.
    constexpr size_t kReadAhead = 32;
    for (size_t i = 0; i < std::min(kReadAhead, files.size()); ++i) prefetchCaption(files[i]);
    for (size_t i = 0; i < files.size(); ++i) {
        const fs::path& file = files[i];
        if (i + kReadAhead < files.size()) prefetchCaption(files[i + kReadAhead]);
        CaptionResult result;
        try {
            result = readCaption(file);
        } catch (const Failure&) {
            // Unlike the search window, the listing goes on: one bad file hides no others.
            warn(terminalLines(
                corruptFileMessage(printable(fs::absolute(file).lexically_normal().string()))));
            status = kExitFailure;
            continue;
        }
        if (!result.complete) warnCorruptTag(file);
        const std::string caption = displayText(result.caption);
        if (json) {
            std::cout << (first ? "\n" : ",\n") << "  {\"path\": " << jsonString(file.string())
                      << ", \"caption\": " << jsonString(caption) << '}';
        } else {
            std::cout << printable(file.string()) << '\t' << printable(caption) << '\n';
        }
        first = false;
    }
    if (json) std::cout << (first ? "]\n" : "\n]\n");
    return status;
}

} // namespace pixa
