// Bad input to every argument of the command-line tool: control characters, characters outside
// the code page, 10,000-character texts, surrounding spaces, unusual paths. Each gets a clear
// message and its exit status, never a crash, and never a control character on the terminal.
#include "fault_support.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace pixafault {
namespace {

const std::string kLong(10000, 'x');
const std::string kControl = std::string("a\x01\x1b[31mred\x07") + '\x7f' + "b";
const std::string kNonLatin = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"; // three CJK characters
const std::string kEmoji = "\xF0\x9F\x93\xB7";
const std::string kBadUtf8 = "\xFF\xFE\xC0\xAF";

// What {DIR}/node is made before a case runs; it must be the same kind of thing afterwards.
enum class Node { None, Fifo, Socket, Device, LinkToFifo, LinkToNothing };

// {DATA} and {DIR} in arguments stand for the case's data folder and its working folder, where
// "photo.pff" (a wrap of "picture.bmp" by owner "Alice", passwords ownerpw / viewerpw) exists.
struct BadInput {
    const char* name;
    std::vector<std::string> args;
    std::set<int> exitCodes;
    std::string message; // a part the message must hold; empty: any non-empty message
    std::vector<std::string> env = kPasswords;
    Node node = Node::None;
    std::optional<std::string> input = {}; // standard input, through a pipe
};

void PrintTo(const BadInput& c, std::ostream* os) {
    *os << c.name;
}

std::vector<BadInput> cases() {
    const std::string wrap = "wrap";
    return {
        // Registration: the name, the hint and the passwords.
        {"RegisterControlName",
         {"--data-dir", "{DATA}", "register", kControl},
         {1},
         "control character"},
        {"RegisterNonLatinName", {"--data-dir", "{DATA}", "register", kNonLatin}, {1}, "U+65E5"},
        {"RegisterBadUtf8Name", {"--data-dir", "{DATA}", "register", kBadUtf8}, {1}, "UTF-8"},
        {"RegisterLongName", {"--data-dir", "{DATA}", "register", kLong}, {1}, "at most 20"},
        {"RegisterSpacedName", {"--data-dir", "{DATA}", "register", " Bob "}, {1}, "space"},
        {"RegisterEmptyName", {"--data-dir", "{DATA}", "register", ""}, {1}, "compulsory"},
        {"RegisterLongHint",
         {"--data-dir", "{DATA}", "register", "Carol", "--hint", kLong},
         {0, 1},
         ""},
        {"RegisterEmojiHint",
         {"--data-dir", "{DATA}", "register", "Dave", "--hint", kEmoji},
         {1},
         "U+1F4F7"},
        {"RegisterControlHint",
         {"--data-dir", "{DATA}", "register", "Erin", "--hint", kControl},
         {1},
         "control character"},
        {"RegisterNonLatinPassword",
         {"--data-dir", "{DATA}", "register", "Frank"},
         {1},
         "",
         {"PIXAMANTLER_OWNER_PASSWORD=" + kNonLatin, "PIXAMANTLER_VIEWER_PASSWORD=viewerpw"}},
        {"RegisterLongPassword",
         {"--data-dir", "{DATA}", "register", "Grace"},
         {1},
         "at most 8",
         {"PIXAMANTLER_OWNER_PASSWORD=" + kLong, "PIXAMANTLER_VIEWER_PASSWORD=viewerpw"}},
        {"RegisterNoPassword", {"--data-dir", "{DATA}", "register", "Heidi"}, {1, 2}, "", {}},
        {"RegisterMissingPasswordFile",
         {"--data-dir", "{DATA}", "register", "Ivan", "--owner-password-file", "{DIR}/none"},
         {1},
         "53"},
        // Look-ups.
        {"HintLongName", {"--data-dir", "{DATA}", "hint", kLong}, {1}, "Invalid user name"},
        {"HintControlName", {"--data-dir", "{DATA}", "hint", kControl}, {1}, "Invalid user name"},
        {"HintNonLatinName", {"--data-dir", "{DATA}", "hint", kNonLatin}, {1}, "Invalid user name"},
        {"HintBadUtf8Name", {"--data-dir", "{DATA}", "hint", kBadUtf8}, {1}, "Invalid user name"},
        // Wrapping: owner, caption, type, sources and outputs.
        {"WrapNonLatinOwner",
         {"--data-dir", "{DATA}", wrap, "--owner", kNonLatin, "{DIR}/picture.bmp", "--output",
          "{DIR}/o.pff"},
         {3},
         "Invalid owner's name or owner password",
         kPasswords},
        {"WrapLongOwner",
         {"--data-dir", "{DATA}", wrap, "--owner", kLong, "{DIR}/picture.bmp", "--output",
          "{DIR}/o.pff"},
         {3},
         "Invalid owner's name or owner password",
         kPasswords},
        {"WrapSpacedOwner",
         {"--data-dir", "{DATA}", wrap, "--owner", " Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}/o.pff"},
         {3},
         "Invalid owner's name or owner password",
         kPasswords},
        {"WrapLongCaption",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "--caption", kLong, "{DIR}/picture.bmp",
          "--output", "{DIR}/o.pff"},
         {1},
         "64",
         kPasswords},
        {"WrapNonLatinCaption",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "--caption", kNonLatin,
          "{DIR}/picture.bmp", "--output", "{DIR}/o.pff"},
         {1},
         "U+65E5",
         kPasswords},
        {"WrapControlCaption",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "--caption", kControl,
          "{DIR}/picture.bmp", "--output", "{DIR}/o.pff"},
         {1},
         "control character",
         kPasswords},
        {"WrapLongType",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "--type", kLong, "{DIR}/picture.bmp",
          "--output", "{DIR}/o.pff"},
         {0, 1},
         "",
         kPasswords},
        {"WrapEmojiType",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "--type", kEmoji, "{DIR}/picture.bmp",
          "--output", "{DIR}/o.pff"},
         {1},
         "U+1F4F7",
         kPasswords},
        {"WrapNotAPicture",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/photo.pff", "--output",
          "{DIR}/o.pff"},
         {1},
         "",
         kPasswords},
        {"WrapFolderAsSource",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}", "--output", "{DIR}/o.pff"},
         {1},
         "",
         kPasswords},
        {"WrapLongSourcePath",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/" + kLong, "--output",
          "{DIR}/o.pff"},
         {1},
         "",
         kPasswords},
        {"WrapLongOutputName",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}/" + kLong + ".pff"},
         {1},
         "error 52",
         kPasswords},
        {"WrapOutputInMissingFolder",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}/no/such/o.pff"},
         {1},
         "error 76",
         kPasswords},
        {"WrapOutputIsAFolder",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}"},
         {1},
         "",
         kPasswords},
        {"WrapControlOutputName",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}/" + kControl + ".pff"},
         {0, 1},
         "",
         kPasswords},
        {"WrapBothOutputs",
         {"--data-dir", "{DATA}", wrap, "--owner", "Alice", "{DIR}/picture.bmp", "--output",
          "{DIR}/o.pff", "--output-dir", "{DIR}"},
         {2},
         "either",
         kPasswords},
        {"WrapMissingOwnerValue", {"--data-dir", "{DATA}", wrap, "--owner"}, {2}, "", kPasswords},
        // Reading.
        {"InfoNotAPff", {"info", "{DIR}/picture.bmp"}, {1}, "error 13"},
        {"InfoFolder", {"info", "{DIR}"}, {1}, "error 75"},
        {"InfoLongPath", {"info", "{DIR}/" + kLong}, {1}, ""},
        {"InfoControlPath", {"info", "{DIR}/" + kControl}, {1}, "error 53"},
        {"UnwrapWrongPassword",
         {"unwrap", "{DIR}/photo.pff", "--output", "{DIR}/p.bmp"},
         {3},
         "Invalid password",
         {"PIXAMANTLER_VIEWER_PASSWORD=" + kLong}},
        {"UnwrapNonLatinPassword",
         {"unwrap", "{DIR}/photo.pff", "--output", "{DIR}/p.bmp"},
         {3},
         "Invalid password",
         {"PIXAMANTLER_VIEWER_PASSWORD=" + kNonLatin}},
        {"UnwrapOntoItself",
         {"unwrap", "{DIR}/photo.pff", "--output", "{DIR}/photo.pff"},
         {1},
         "",
         kPasswords},
        {"UnwrapEmptyOutput", {"unwrap", "{DIR}/photo.pff", "--output", ""}, {2}, ""},
        {"ListMissingFolder", {"list", "{DIR}/" + kNonLatin}, {1}, ""},
        {"ListAFile", {"list", "{DIR}/photo.pff"}, {1}, ""},
        // The command line itself.
        {"UnknownCommand", {kControl}, {2}, "unknown command"},
        {"UnknownOption", {"info", "--" + kLong, "{DIR}/photo.pff"}, {2}, ""},
        {"EmptyDataDir", {"--data-dir", "", "owners"}, {2}, ""},
        {"DataDirIsAFile", {"--data-dir", "{DIR}/photo.pff", "register", "Judy"}, {1}, ""},
        {"WrapNamelessSourceToFolder",
         {"--data-dir", "{DATA}", "wrap", "--owner", "Alice", "{DIR}/.bmp", "--output-dir",
          "{DIR}"},
         {1},
         "--output"},
        {"NoArguments", {}, {2}, "", {}},
    };
}

// A case written as one command line, split at spaces.
BadInput line(const char* name, std::string_view command, int exitCode, std::string message,
              Node node = Node::None, std::vector<std::string> env = kPasswords,
              std::optional<std::string> input = {}) {
    std::vector<std::string> args;
    for (size_t at = 0; at <= command.size();) {
        const size_t space = std::min(command.find(' ', at), command.size());
        args.emplace_back(command.substr(at, space - at));
        at = space + 1;
    }
    return {name, args, {exitCode}, std::move(message), std::move(env), node, std::move(input)};
}

const std::vector<std::string> kOwnerPasswordOnly = {"PIXAMANTLER_OWNER_PASSWORD=ownerpw"};
constexpr const char* kWrapFrom = "--data-dir {DATA} wrap --owner Alice ";

// Escapes, control characters, and files that are not regular files: FIFOs, sockets, devices,
// pipes and links, as pictures, wrapped photos, password files and outputs.
std::vector<BadInput> hostileCases() {
    const std::string wrap = kWrapFrom;
    const char* registerKim = "--data-dir {DATA} register Kim --viewer-password-file ";
    return {
        line("UnknownShortOptionWithEscape", "-\x1b[31mX", 2, "unknown option -?[31mX"),
        line("UnknownLongOptionWithEscape", "info --\x1b]0;title\x07 {DIR}/photo.pff", 2,
             "unknown option --?]0;title?"),
        line("WrapControlType", wrap + "--type .b\x01 {DIR}/picture.bmp --output {DIR}/o.pff", 1,
             "control character"),
        line("WrapFifoSource", wrap + "{DIR}/node --output {DIR}/o.pff", 1, "a pipe or FIFO",
             Node::Fifo),
        line("WrapDeviceSource", wrap + "{DIR}/node --output {DIR}/o.pff", 1, "a character device",
             Node::Device),
        line("WrapPipedSource", wrap + "/dev/stdin --output {DIR}/o.pff", 1, "a pipe or FIFO",
             Node::None, kPasswords, bitmapBytes(3000, 2)),
        line("InfoOfAFifo", "info {DIR}/node", 1, "a pipe or FIFO", Node::Fifo),
        line("InfoOfASocket", "info {DIR}/node", 1, "a socket", Node::Socket),
        line("UnwrapOntoAFifo", "unwrap {DIR}/photo.pff --output {DIR}/node", 1,
             "only a regular file is replaced", Node::Fifo),
        line("UnwrapOntoADevice", "unwrap {DIR}/photo.pff --output {DIR}/node", 1,
             "a character device", Node::Device),
        line("UnwrapOntoALinkToAFifo", "unwrap {DIR}/photo.pff --output {DIR}/node", 1,
             "only a regular file is replaced", Node::LinkToFifo),
        line("UnwrapOntoALinkToNothing", "unwrap {DIR}/photo.pff --output {DIR}/node", 1,
             "which does not exist", Node::LinkToNothing),
        line("WrapOntoASocket", wrap + "{DIR}/picture.bmp --output {DIR}/node", 1, "a socket",
             Node::Socket),
        line("PasswordFifoWithoutWriter", std::string(registerKim) + "{DIR}/node", 1,
             "nothing writes to it", Node::Fifo, kOwnerPasswordOnly),
        line("PasswordFromNullDevice", std::string(registerKim) + "/dev/null", 1,
             "holds no viewer password", Node::None, kOwnerPasswordOnly),
        line("PasswordPipeEmpty", std::string(registerKim) + "/dev/stdin", 1,
             "holds no viewer password", Node::None, kOwnerPasswordOnly, ""),
        line("PasswordPipeEmptyFirstLine", std::string(registerKim) + "/dev/stdin", 1,
             "The viewer password is empty", Node::None, kOwnerPasswordOnly, "\nviewerpw\n"),
        line("PasswordPipeEndlessLine", std::string(registerKim) + "/dev/stdin", 1,
             "longer than 4096 bytes", Node::None, kOwnerPasswordOnly, std::string(5000, 'x')),
        line("PasswordEmptyInTheEnvironment", "--data-dir {DATA} register Kim", 1,
             "The owner password is empty", Node::None,
             {"PIXAMANTLER_OWNER_PASSWORD=", "PIXAMANTLER_VIEWER_PASSWORD=viewerpw"}),
    };
}

std::string expand(std::string text, const fs::path& data, const fs::path& dir) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{DATA}", data},
                                     std::pair<std::string, std::string>{"{DIR}", dir}}) {
        for (size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), value);
    }
    return text;
}

// A Unix socket listening at `path`; its descriptor.
int boundSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot make a socket at " + path.string());
    return fd;
}

class BadArgument : public ::testing::TestWithParam<BadInput> {
protected:
    static void SetUpTestSuite() {
        s_folder = new TempFolder;
        const fs::path data = *s_folder / "data";
        const auto reg = runCli({{"--data-dir", data, "register", "Alice"}, kPasswords});
        ASSERT_EQ(reg.exitCode, 0) << reg.err;
        writeFile(*s_folder / "picture.bmp", bitmapBytes(20000, 5));
        writeFile(*s_folder / ".bmp", bitmapBytes(2000, 8));
        const auto wrapped =
            runCli({{"--data-dir", data, "wrap", "--owner", "Alice", *s_folder / "picture.bmp",
                     "--output", *s_folder / "photo.pff"},
                    kPasswords});
        ASSERT_EQ(wrapped.exitCode, 0) << wrapped.err;
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }
    static TempFolder* s_folder;
};
TempFolder* BadArgument::s_folder = nullptr;

TEST_P(BadArgument, getsAClearMessageAndItsExitStatus) {
    const BadInput& c = GetParam();
    // Each case writes into a copy of the working folder of its own.
    TempFolder work;
    fs::copy(s_folder->path(), work.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path node = work / "node";
    if (c.node == Node::Device && ::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node is not permitted here";
    if (c.node == Node::Fifo || c.node == Node::LinkToFifo) {
        ASSERT_EQ(::mkfifo((work / "fifo").c_str(), 0600), 0);
    }
    if (c.node == Node::Fifo) fs::rename(work / "fifo", node);
    if (c.node == Node::LinkToFifo) fs::create_symlink("fifo", node);
    if (c.node == Node::LinkToNothing) fs::create_symlink("nothing", node);
    const int socket = c.node == Node::Socket ? boundSocket(node) : -1;
    struct stat before {};
    ::lstat(node.c_str(), &before);
    Launch launch;
    for (const auto& a : c.args)
        launch.args.push_back(expand(a, work / "data", work.path()));
    launch.env = c.env;
    launch.input = c.input;
    const auto result = runCli(launch);
    if (socket >= 0) ::close(socket);
    struct stat after {};
    ::lstat(node.c_str(), &after);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << "the node was replaced";
    EXPECT_FALSE(result.timedOut) << "the tool waited for input that never came";
    ASSERT_TRUE(result.exited) << "killed by signal " << result.signal << "\n" << result.err;
    EXPECT_TRUE(c.exitCodes.count(result.exitCode))
        << "exit " << result.exitCode << "\nstdout: " << result.out << "\nstderr: " << result.err;
    EXPECT_TRUE(printableMessage(result.err))
        << "control characters reach the terminal: " << result.err;
    EXPECT_TRUE(printableMessage(result.out))
        << "control characters reach the terminal: " << result.out;
    if (result.exitCode != 0) {
        EXPECT_FALSE(result.err.empty()) << "a failure without a message";
        EXPECT_LE(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;
        if (!c.message.empty()) {
            EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        }
    }
    EXPECT_TRUE(temporariesIn(work.path()).empty());
    EXPECT_TRUE(temporariesIn(work / "data").empty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, BadArgument, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Hostile, BadArgument, ::testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Paths with spaces, dots and characters of other scripts work like any other path.
struct UnusualPath {
    const char* name;
    std::string folder;
    std::string picture;
    std::string pff; // the name --output-dir gives
};

void PrintTo(const UnusualPath& c, std::ostream* os) {
    *os << c.name;
}

class UnusualPaths : public ::testing::TestWithParam<UnusualPath> {
protected:
    TempFolder folder;
};

TEST_P(UnusualPaths, wrapInfoListAndUnwrapWork) {
    const auto& c = GetParam();
    const fs::path data = folder / "data";
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Alice"}, kPasswords}).exitCode, 0);
    const fs::path dir = folder / c.folder;
    fs::create_directories(dir);
    const std::string picture = bitmapBytes(30000, 6);
    writeFile(dir / c.picture, picture);
    // A caption of its own: a path outside the code page cannot be one.
    const auto wrap = runCli({{"--data-dir", data, "wrap", "--owner", "Alice", "--caption",
                               "Unusual", dir / c.picture, "--output-dir", dir},
                              kPasswords});
    ASSERT_EQ(wrap.exitCode, 0) << wrap.err;
    ASSERT_TRUE(fs::exists(dir / c.pff)) << wrap.out;
    const auto info = runCli({{"info", dir / c.pff, "--json"}, {}});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    const auto list = runCli({{"list", dir}, {}});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find((dir / c.pff).string()), std::string::npos) << list.out;
    const auto unwrap =
        runCli({{"unwrap", dir / c.pff, "--output", dir / ("back " + c.picture)}, kPasswords});
    ASSERT_EQ(unwrap.exitCode, 0) << unwrap.err;
    EXPECT_EQ(readFile(dir / ("back " + c.picture)), picture);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnusualPaths,
    ::testing::Values(
        UnusualPath{"Spaces", "my photos", "summer day.bmp", "summer day.pff"},
        UnusualPath{"Dots", "a.b/..c", "v1.2.final.bmp", "v1.pff"},
        UnusualPath{"Cyrillic", "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE",
                    "\xD0\xBB\xD0\xB5\xD1\x82\xD0\xBE.bmp", "\xD0\xBB\xD0\xB5\xD1\x82\xD0\xBE.pff"},
        UnusualPath{"Accented", "\xC3\xA9t\xC3\xA9", "caf\xC3\xA9.bmp", "caf\xC3\xA9.pff"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pixafault
