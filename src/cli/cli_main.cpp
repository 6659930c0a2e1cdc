#include "cli/cli_main.h"

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/text_output.h"
#include "core/error.h"
#include "core/version.h"

#include <algorithm>
#include <array>
#include <iostream>

namespace pixa {

namespace {

constexpr const char* kProgram = "pixamantler-cli";

// A message for the terminal, made printable line by line: whatever input a message echoes, no
// control character but its line ends reaches the terminal.
std::string printableLines(std::string_view message) {
    std::string out;
    for (size_t start = 0; start <= message.size();) {
        const size_t end = std::min(message.find('\n', start), message.size());
        if (start > 0) out += '\n';
        out += printable(message.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

constexpr const char* kHelp =
    R"(Usage: pixamantler-cli [--data-dir DIR] COMMAND ...

Password-protects photos (BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF, JPEG XL)
as wrapped photos (.pff files).

Commands:
  register NAME [--hint TEXT]       register a new owner
  owners                            list the registered owners
  hint NAME                         show an owner's password hint
  wrap --owner NAME [--caption TEXT] [--type TYPE] SOURCE... (--output FILE | --output-dir DIR)
                                    wrap pictures as the owner (after the owner password)
  unwrap FILE.pff --output FILE     restore the picture (after the viewer password)
  info FILE.pff [--json]            show a wrapped photo's fields; no password needed
  list [--recursive] [--json] FOLDER
                                    list the .pff files of a folder with their captions; in
                                    the JSON, "path_bytes" holds a name that is not UTF-8 in
                                    hexadecimal, and "refused" why a file cannot be opened

Options:
  --data-dir DIR                the folder of owners.inf; else $PIXAMANTLER_HOME, else
                                $XDG_DATA_HOME/pixamantler or ~/.local/share/pixamantler
  --owner-password-file FILE    read the owner password from the first line of FILE (a file,
                                a pipe or /dev/stdin)
  --viewer-password-file FILE   read the viewer password from the first line of FILE
  --help, --version

Passwords are taken from those files, else from PIXAMANTLER_OWNER_PASSWORD and
PIXAMANTLER_VIEWER_PASSWORD, else typed on the terminal without echo (twice for register).

A registration waits at most 30 seconds (PIXAMANTLER_LOCK_WAIT seconds) for another one.
Ctrl-C, SIGTERM or SIGHUP stop a wrap, unwrap, list or registration cleanly: nothing partial
is left and the old file stays; a second one ends the tool at once.

Exit status: 0 success, 1 failure, 2 usage error, 3 authentication refused, 128 + N stopped
by signal N (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
)";

using CommandFunction = int (*)(const CliContext&, const CliArguments&);

struct Command {
    std::string_view name;
    CommandFunction run;
    std::vector<CliOption> options;
};

const CliOption kDataDir{"data-dir", true};
const CliOption kHelpOption{"help", false};
const CliOption kOwnerPasswordFile{"owner-password-file", true};
const CliOption kViewerPasswordFile{"viewer-password-file", true};
const CliOption kJson{"json", false};

const std::array<Command, 7>& commands() {
    static const std::array<Command, 7> table = {{
        {"register",
         runRegister,
         {kDataDir, kHelpOption, {"hint", true}, kOwnerPasswordFile, kViewerPasswordFile}},
        {"owners", runOwners, {kDataDir, kHelpOption}},
        {"hint", runHint, {kDataDir, kHelpOption}},
        {"wrap",
         runWrap,
         {kDataDir,
          kHelpOption,
          {"owner", true},
          {"caption", true},
          {"type", true},
          {"output", true},
          {"output-dir", true},
          kOwnerPasswordFile}},
        {"unwrap", runUnwrap, {kDataDir, kHelpOption, {"output", true}, kViewerPasswordFile}},
        {"info", runInfo, {kDataDir, kHelpOption, kJson}},
        {"list", runList, {kDataDir, kHelpOption, kJson, {"recursive", false}}},
    }};
    return table;
}

int dispatch(const std::vector<std::string>& args) {
    // Options before the command: the data folder, help and version.
    const std::array<CliOption, 3> globalOptions = {{kDataDir, kHelpOption, {"version", false}}};
    size_t commandAt = 0;
    while (commandAt < args.size() && args[commandAt].starts_with("-") && args[commandAt] != "-") {
        // A value of --data-dir given as the next word belongs to the options.
        commandAt += args[commandAt] == "--data-dir" ? 2 : 1;
    }
    commandAt = std::min(commandAt, args.size());
    if (args.size() == 1 && args[0] == "-h") {
        std::cout << kHelp;
        return kExitSuccess;
    }
    const CliArguments global =
        CliArguments::parse(std::span(args).first(commandAt), globalOptions);
    if (global.has("help")) {
        std::cout << kHelp;
        return kExitSuccess;
    }
    if (global.has("version")) {
        std::cout << kProgram << ' ' << programVersion() << '\n';
        return kExitSuccess;
    }
    if (commandAt == args.size()) throw usageError("no command given");

    const std::string& name = args[commandAt];
    const auto& table = commands();
    const auto command =
        std::find_if(table.begin(), table.end(), [&](const Command& c) { return c.name == name; });
    if (command == table.end()) throw usageError("unknown command \"" + printable(name) + "\"");
    const CliArguments commandArgs =
        CliArguments::parse(std::span(args).subspan(commandAt + 1), command->options);
    if (commandArgs.has("help")) {
        std::cout << kHelp;
        return kExitSuccess;
    }
    auto dataDir = global.value("data-dir");
    if (const auto late = commandArgs.value("data-dir")) {
        if (dataDir) throw usageError("--data-dir is given more than once");
        dataDir = late;
    }
    const CliContext context(dataDir ? std::optional<std::filesystem::path>(*dataDir)
                                     : std::nullopt);
    return command->run(context, commandArgs);
}

} // namespace

int runCli(const std::vector<std::string>& args) {
    try {
        const int status = dispatch(args);
        // A listing cut short by a full disk or a closed file must not look like success.
        if (!std::cout.flush())
            throw Failure(err::DeviceIO, "standard output could not be written");
        return status;
    } catch (const CliError& e) {
        std::cout.flush();
        std::cerr << printableLines(e.what()) << '\n';
        if (e.exitStatus() == kExitUsage) {
            std::cerr << "Try \"" << kProgram << " --help\".\n";
        }
        return e.exitStatus();
    } catch (const Failure& f) {
        std::cout.flush();
        std::cerr << failureMessage(f) << '\n';
        return kExitFailure;
    } catch (const std::filesystem::filesystem_error& e) {
        std::cout.flush();
        std::cerr << failureMessage(
                         Failure(errorNumberFromErrno(e.code().value(), e.path1().string()),
                                 printable(e.what())))
                  << '\n';
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        std::cerr << failureMessage(Failure(err::OutOfMemory)) << '\n';
        return kExitFailure;
    }
}

} // namespace pixa
