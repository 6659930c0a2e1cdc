// The commands that read wrapped photos: unwrap, info and list.
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/passwords.h"
#include "cli/terminal.h"
#include "cli/text_output.h"
#include "core/caption_listing.h"
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/pff_file.h"
#include "core/viewer_password.h"

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
    warn(printable(file.string()) + ": " + std::string(msg::CorruptTag));
}

// A listed file's path as JSON members: "path" always (with U+FFFD for bytes that are not
// UTF-8), and "path_bytes", its bytes in hexadecimal, when the name is not UTF-8, so that a
// script can still open it and tell two such names apart.
std::string jsonPath(const fs::path& file) {
    const std::string& bytes = file.native();
    std::string out = "\"path\": " + jsonString(bytes);
    if (!validUtf8(bytes)) out += ", \"path_bytes\": \"" + hexBytes(bytes) + '"';
    return out;
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
    if (!viewerPasswordOpens(reader.info(), password.value)) {
        throw CliError(kExitRefused, std::string(msg::InvalidPassword));
    }

    removeStaleTemporaries(fs::absolute(*output).parent_path());
    ProgressLine progress("Unwrapping " + printable(file.string()));
    const Interruption interruption;
    try {
        reader.unwrapTo(
            *output, [&](uint64_t block, uint64_t count) { progress.update(block, count); }, 0600,
            interruption.token());
    } catch (const Failure& f) {
        progress.finish();
        interruption.rethrowIfInterrupted(f);
        throw;
    }
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

    int status = kExitSuccess;
    bool first = true;
    if (json) std::cout << '[';
    // Unlike the search window, the listing goes on after a bad file: one hides no others.
    const auto onFile = [&](const CaptionEntry& entry) {
        const fs::path& file = entry.file;
        if (entry.status == CaptionStatus::NotWrapped) {
            warn(terminalLines(
                msg::corruptFile(printable(fs::absolute(file).lexically_normal().string()))));
            status = kExitFailure;
            return;
        }
        if (entry.status == CaptionStatus::Unreadable) {
            warn(failureMessage(*entry.failure));
            status = kExitFailure;
            return;
        }
        if (!entry.caption.complete) warnCorruptTag(file);
        const std::string caption = displayText(entry.caption.caption);
        // A file that info and unwrap refuse is no photo to open: it fails the listing, and
        // the JSON marks it with the reason rather than pass it off as one.
        const auto& refusal = entry.caption.refusal;
        if (refusal) {
            warn(failureMessage(*refusal));
            status = kExitFailure;
        }
        if (json) {
            std::cout << (first ? "\n" : ",\n") << "  {" << jsonPath(file)
                      << ", \"caption\": " << jsonString(caption);
            if (refusal) std::cout << ", \"refused\": " << jsonString(failureMessage(*refusal));
            std::cout << '}';
        } else if (!refusal) {
            std::cout << printable(file.string()) << '\t' << printable(caption) << '\n';
        }
        first = false;
    };
    const Interruption interruption;
    std::vector<UnreadFolder> unreadFolders;
    try {
        unreadFolders =
            readFolderCaptions(folder, args.has("recursive"), onFile, {}, interruption.token());
    } catch (const Failure& f) {
        interruption.rethrowIfInterrupted(f);
        throw;
    }
    if (json) std::cout << (first ? "]\n" : "\n]\n");
    // A folder that could not be read leaves the list incomplete, which must not pass for a
    // complete one.
    for (const UnreadFolder& unread : unreadFolders) {
        warn(failureMessage(unread.failure));
        status = kExitFailure;
    }
    return status;
}

} // namespace pixa
