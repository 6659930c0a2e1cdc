// What a careless or hostile user tries on the tool: registrations at the same time, passwords
// through pipes and FIFOs, short file types, write-protected files, foreign data folders, a look
// at the process's memory, and a huge owner store.
#include "fault_support.h"

#include "core/owner_codec.h"
#include "core/owner_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace pixafault {
namespace {

constexpr uid_t kNobody = 65534;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The plain fields of a store's records, trailing padding included.
std::vector<std::pair<std::string, std::string>> namesAndViewers(const fs::path& data) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& r : pixa::OwnerStore(data / pixa::kStoreFileName).readAll())
        out.emplace_back(pixa::decrypt_name(r.name, r.factor),
                         pixa::decrypt_password(r.viewerPass, r.factor));
    return out;
}

// A record of owner `name` (owner password "pw", viewer password "vw") registered at hh:mm:ss.
std::string recordAt(const std::string& name, int minute, int second) {
    const auto s = pixa::encrypt_password(pixa::padField(name, 20), pixa::padField("pw", 8),
                                          pixa::padField("vw", 8), pixa::padField("", 40),
                                          pixa::FixedClock(10, minute, second));
    return pixa::OwnerRecord{s.encr_name,
                             s.encr_owner_pass,
                             s.encr_viewer_pass,
                             s.encr_hint,
                             pixa::formatFactor(s.mul_fact * 11),
                             s.mul_fact * 11}
        .bytes();
}

fs::path privateFolder(const fs::path& path) {
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

struct Crowd {
    const char* name;
    bool oneName; // all register the same name, each with its own passwords
    int processes;
};

void PrintTo(const Crowd& c, std::ostream* os) {
    *os << c.name;
}

class ParallelRegistrations : public ::testing::TestWithParam<Crowd> {
protected:
    TempFolder folder;
};

TEST_P(ParallelRegistrations, storeEveryReportedOwnerAndEachNameOnce) {
    const Crowd& c = GetParam();
    const fs::path data = privateFolder(folder / "data");
    // Existing owners make each rewrite long enough for the registrations to overlap.
    constexpr int kEarlier = 2000;
    writeFile(data / pixa::kStoreFileName, ownerStoreBytes(kEarlier));
    std::vector<pid_t> children;
    for (int i = 0; i < c.processes; ++i) {
        const std::string n = std::to_string(i);
        const fs::path outputs = privateFolder(folder / ("out" + n));
        children.push_back(
            startCli({{"--data-dir", data, "register", c.oneName ? "Crowd" : "Crowd " + n},
                      {"PIXAMANTLER_OWNER_PASSWORD=pw" + n, "PIXAMANTLER_VIEWER_PASSWORD=vw" + n}},
                     outputs));
    }
    int reported = 0;
    for (int i = 0; i < c.processes; ++i) {
        const auto status = waitUntil(children[i], std::chrono::seconds(120));
        ASSERT_TRUE(status && WIFEXITED(*status));
        const std::string err = readFile(folder / ("out" + std::to_string(i)) / ".cli-stderr");
        if (WEXITSTATUS(*status) == 0) {
            ++reported;
        } else {
            EXPECT_TRUE(c.oneName && contains(err, "An owner with this name already exists"))
                << err;
        }
    }
    std::map<std::string, int> stored;
    for (const auto& [name, viewer] : namesAndViewers(data))
        ++stored[name];
    EXPECT_EQ(reported, c.oneName ? 1 : c.processes);
    EXPECT_EQ(stored.size(), static_cast<size_t>(kEarlier + reported));
    for (const auto& [name, count] : stored)
        EXPECT_EQ(count, 1) << name;
}

INSTANTIATE_TEST_SUITE_P(Crowds, ParallelRegistrations,
                         ::testing::Values(Crowd{"TwentyNames", false, 20},
                                           Crowd{"OneNameTenTimes", true, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

// Password files that are streams. {FIFO} stands for a FIFO that this test holds open for
// writing and has written `fifo` into (nothing: a FIFO without a writer).
struct PasswordStream {
    const char* name;
    std::vector<std::string> options;
    std::vector<std::string> env;
    std::optional<std::string> input;
    std::optional<std::string> fifo;
    int exitCode;
    std::string expected; // the stored viewer password, or a part of the message
};

void PrintTo(const PasswordStream& c, std::ostream* os) {
    *os << c.name;
}

class PasswordStreams : public ::testing::TestWithParam<PasswordStream> {
protected:
    TempFolder folder;
};

TEST_P(PasswordStreams, areReadToTheFirstLineEndOrRefusedClearly) {
    const PasswordStream& c = GetParam();
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int writer = -1;
    if (c.fifo) {
        writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        ASSERT_EQ(::write(writer, c.fifo->data(), c.fifo->size()), ssize_t(c.fifo->size()));
    }
    Launch launch{{"--data-dir", folder / "data", "register", "Hal"}, c.env, {}, c.input};
    for (const auto& option : c.options)
        launch.args.push_back(option == "{FIFO}" ? fifo.string() : option);
    const auto result = runCli(launch);
    if (writer >= 0) ::close(writer);
    ASSERT_TRUE(result.exited && !result.timedOut) << result.err;
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    if (c.exitCode == 0) {
        const auto owners = namesAndViewers(folder / "data");
        ASSERT_EQ(owners.size(), 1u);
        EXPECT_EQ(owners[0].second, pixa::padField(c.expected, 8));
    } else {
        EXPECT_TRUE(contains(result.err, c.expected)) << result.err;
        EXPECT_FALSE(fs::exists(folder / "data" / pixa::kStoreFileName) &&
                     fs::file_size(folder / "data" / pixa::kStoreFileName) > 0);
    }
}

const std::vector<std::string> kOwnerOnly = {"PIXAMANTLER_OWNER_PASSWORD=ownerpw"};
const std::vector<std::string> kViewerFile = {"--viewer-password-file", "/dev/stdin"};

INSTANTIATE_TEST_SUITE_P(
    Streams, PasswordStreams,
    ::testing::Values(
        PasswordStream{"StandardInputPipe", kViewerFile, kOwnerOnly, "secret\n", {}, 0, "secret"},
        PasswordStream{
            "BothThroughOnePipe",
            {"--owner-password-file", "/dev/stdin", "--viewer-password-file", "/dev/stdin"},
            {},
            "ownerpw\r\nviewerpw\n",
            {},
            0,
            "viewerpw"},
        PasswordStream{"FifoWithAWriter",
                       {"--viewer-password-file", "{FIFO}"},
                       kOwnerOnly,
                       {},
                       "fifopw\n",
                       0,
                       "fifopw"},
        PasswordStream{"FifoWithoutAWriter",
                       {"--viewer-password-file", "{FIFO}"},
                       kOwnerOnly,
                       {},
                       {},
                       1,
                       "nothing writes to it"},
        PasswordStream{"EmptyPipe", kViewerFile, kOwnerOnly, "", {}, 1, "holds no viewer password"},
        PasswordStream{"EmptyFirstLine",
                       kViewerFile,
                       kOwnerOnly,
                       "\nviewerpw\n",
                       {},
                       1,
                       "The viewer password is empty"},
        PasswordStream{"EndlessLine",
                       kViewerFile,
                       kOwnerOnly,
                       std::string(5000, 'x'),
                       {},
                       1,
                       "longer than 4096 bytes"},
        PasswordStream{"EmptyEnvironment",
                       {},
                       {"PIXAMANTLER_OWNER_PASSWORD=", "PIXAMANTLER_VIEWER_PASSWORD=viewerpw"},
                       {},
                       {},
                       1,
                       "The owner password is empty"}),
    [](const auto& info) { return std::string(info.param.name); });

// File types shorter than four characters, by an owner whose shift (118) passes that of a space.
struct ShortType {
    const char* name;
    std::vector<std::string> typeOption;
    std::string source;
    std::string shown;
};

void PrintTo(const ShortType& c, std::ostream* os) {
    *os << c.name;
}

class ShortTypes : public ::testing::TestWithParam<ShortType> {
protected:
    TempFolder folder;
};

TEST_P(ShortTypes, makeWrappedPhotosThatOpen) {
    const ShortType& c = GetParam();
    const fs::path data = privateFolder(folder / "data");
    writeFile(data / pixa::kStoreFileName, recordAt("Shifty", 59, 59));
    const std::string picture = bitmapBytes(5000, 3);
    writeFile(folder / c.source, picture);
    Launch wrap{{"--data-dir", data, "wrap", "--owner", "Shifty", folder / c.source, "--output",
                 folder / "photo.pff"},
                {"PIXAMANTLER_OWNER_PASSWORD=pw"}};
    wrap.args.insert(wrap.args.end(), c.typeOption.begin(), c.typeOption.end());
    ASSERT_EQ(runCli(wrap).exitCode, 0);
    const auto info = runCli({{"info", folder / "photo.pff"}, {}});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "File type: " + c.shown + "\n")) << info.out;
    const auto unwrap = runCli({{"unwrap", folder / "photo.pff", "--output", folder / "back"},
                                {"PIXAMANTLER_VIEWER_PASSWORD=vw"}});
    EXPECT_EQ(unwrap.exitCode, 0) << unwrap.err;
    EXPECT_EQ(readFile(folder / "back"), picture);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ShortTypes,
    ::testing::Values(ShortType{"TypeOption", {"--type", "ab"}, "photo.bmp", "ab"},
                      ShortType{"ThreeLetterExtension", {}, "photo.jp", ".jp"},
                      ShortType{"OneLetterExtension", {}, "scan.b", ".b"}),
    [](const auto& info) { return std::string(info.param.name); });

// As the super-user the tool runs as an unprivileged user here: it may replace what its user may
// write, as cp would.
class WriteProtected : public ::testing::TestWithParam<bool> {
protected:
    TempFolder folder;
};

TEST_P(WriteProtected, isNotReplaced) {
    const bool store = GetParam();
    const bool root = ::geteuid() == 0;
    const fs::path mine = privateFolder(folder / "mine");
    const fs::path data = privateFolder(mine / "data");
    writeFile(data / pixa::kStoreFileName, recordAt("Owner", 1, 2));
    writeFile(mine / "picture.bmp", bitmapBytes(3000, 4));
    writeFile(mine / "photo.pff", "an older wrapped photo");
    const fs::path target = store ? data / pixa::kStoreFileName : mine / "photo.pff";
    ::chmod(target.c_str(), store ? 0400 : 0444);
    if (root) {
        for (const auto& path :
             {mine, data, data / pixa::kStoreFileName, mine / "picture.bmp", mine / "photo.pff"})
            ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    }
    const std::string before = readFile(target);
    Launch launch{store ? std::vector<std::string>{"--data-dir", data, "register", "Newcomer"}
                        : std::vector<std::string>{"--data-dir", data, "wrap", "--owner", "Owner",
                                                   mine / "picture.bmp", "--output",
                                                   mine / "photo.pff"},
                  {"PIXAMANTLER_OWNER_PASSWORD=pw", "PIXAMANTLER_VIEWER_PASSWORD=other"}};
    if (root)
        launch.inChild = [] {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(125);
        };
    const auto result = runCli(launch);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(contains(result.err, "error 70: Permission denied")) << result.err;
    EXPECT_TRUE(contains(result.err, "write-protected")) << result.err;
    EXPECT_EQ(readFile(target), before);
    EXPECT_TRUE(temporariesIn(target.parent_path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Files, WriteProtected, ::testing::Values(false, true),
                         [](const auto& info) {
                             return info.param ? "OwnerStore" : "WrappedPhoto";
                         });

// Where the store goes without --data-dir and PIXAMANTLER_HOME, and which folders are refused.
struct DataFolderCase {
    const char* name;
    std::vector<std::string> env; // {DIR} is the test's folder
    mode_t mode;                  // of an existing {DIR}/given passed as --data-dir; 0: none
    bool otherOwner;
    std::string expected; // where the store lands, under {DIR}; or a part of the message
};

void PrintTo(const DataFolderCase& c, std::ostream* os) {
    *os << c.name;
}

class DataFolder : public ::testing::TestWithParam<DataFolderCase> {
protected:
    TempFolder folder;
};

TEST_P(DataFolder, isThePerUserOneOrAPrivateChosenOne) {
    const DataFolderCase& c = GetParam();
    if (c.otherOwner && ::geteuid() != 0) GTEST_SKIP() << "making a folder another user's";
    Launch launch{{"register", "Dora"}, kPasswords};
    for (std::string entry : c.env) {
        if (const auto at = entry.find("{DIR}"); at != std::string::npos)
            entry.replace(at, 5, folder.path().string());
        launch.env.push_back(entry);
    }
    if (c.mode != 0) {
        const fs::path given = folder / "given";
        fs::create_directory(given);
        ::chmod(given.c_str(), c.mode);
        if (c.otherOwner) {
            ASSERT_EQ(::chown(given.c_str(), kNobody, kNobody), 0);
        }
        launch.args.insert(launch.args.begin(), {"--data-dir", given});
    }
    // An installed program's folder is no place for a store, even a writable one.
    const fs::path besideTool = fs::path(cliPath()).parent_path() / pixa::kStoreFileName;
    const bool wasBesideTool = fs::exists(besideTool);
    const auto result = runCli(launch);
    EXPECT_EQ(fs::exists(besideTool), wasBesideTool);
    if (c.expected.front() == '/') {
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const fs::path store = folder.path().string() + c.expected;
        EXPECT_TRUE(fs::exists(store)) << store;
        EXPECT_EQ(modeOf(store.parent_path()), 0700u);
    } else {
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(contains(result.err, "error 70: Permission denied: the data folder"))
            << result.err;
        EXPECT_TRUE(contains(result.err, c.expected)) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFolder,
    ::testing::Values(
        DataFolderCase{"HomeFolder",
                       {"HOME={DIR}/home", "XDG_DATA_HOME="},
                       0,
                       false,
                       "/home/.local/share/pixamantler/owners.inf"},
        DataFolderCase{
            "XdgDataHome", {"XDG_DATA_HOME={DIR}/xdg"}, 0, false, "/xdg/pixamantler/owners.inf"},
        DataFolderCase{"RelativeXdgDataHomeIsIgnored",
                       {"HOME={DIR}/home", "XDG_DATA_HOME=xdg"},
                       0,
                       false,
                       "/home/.local/share/pixamantler/owners.inf"},
        DataFolderCase{"WritableByAll", {}, 0777, false, "can be written by other users"},
        DataFolderCase{"SharedTemporaryFolder", {}, 01777, false, "can be written by other users"},
        DataFolderCase{"AnotherUsers", {}, 0700, true, "belongs to another user"}),
    [](const auto& info) { return std::string(info.param.name); });

// While the tool waits for a password, its memory is out of reach: no core dump, and no access
// through /proc by its own user.
TEST(ProcessPrivacy, toolTurnsOffCoreDumpsAndBecomesUndumpable) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    // Held open and silent: the tool waits for the password it would bring.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    writeFile(folder / "picture.bmp", bitmapBytes(100, 1));
    Launch launch{{"--data-dir", folder / "none", "wrap", "--owner", "Any", "--owner-password-file",
                   fifo, folder / "picture.bmp", "--output", folder / "o.pff"}};
    // Run as another user than the one reading /proc, so that the owner of its entries tells.
    if (::geteuid() == 0)
        launch.inChild = [] {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(125);
        };
    const pid_t pid = startCli(launch, folder.path());
    const fs::path proc = "/proc/" + std::to_string(pid);
    const std::string noCoreDumps = "Max core file size        0                    0";
    // Until the tool has made itself private (the entries of its folder in /proc then belong to
    // root) or has ended.
    std::optional<int> ended;
    std::string limits;
    struct stat st {};
    while (!(ended = waitUntil(pid, std::chrono::milliseconds(1)))) {
        std::ifstream in(proc / "limits");
        limits.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (contains(limits, noCoreDumps) && ::stat((proc / "status").c_str(), &st) == 0 &&
            st.st_uid == 0)
            break;
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        waitUntil(pid, std::chrono::seconds(30));
    }
    ::close(writer);
    EXPECT_FALSE(ended) << "the tool ended before it could be looked at";
    EXPECT_EQ(st.st_uid, 0u) << "the tool's memory is open to its user";
    EXPECT_TRUE(contains(limits, noCoreDumps)) << limits;
}

// A store of 40 MB: every command reads it a few hundred records at a time.
TEST(LargeOwnerStore, isReadByRecords) {
    TempFolder folder;
    const fs::path small = privateFolder(folder / "small");
    const fs::path large = privateFolder(folder / "large");
    writeFile(small / pixa::kStoreFileName, ownerStoreBytes(1));
    constexpr int kOwners = 500000;
    writeFile(large / pixa::kStoreFileName, ownerStoreBytes(kOwners));
    // A sanitizer would keep what is freed for a while; the test wants what is held.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":quarantine_size_mb=1";
    const std::vector<std::vector<std::string>> commands = {
        {"register", "Newcomer"}, {"hint", "Owner 0"}, {"owners"}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        auto run = [&](const fs::path& data) {
            Launch launch{{"--data-dir", data},
                          {kPasswords.front(), kPasswords.back(), asanOptions}};
            launch.args.insert(launch.args.end(), command.begin(), command.end());
            const auto result = runCli(launch);
            EXPECT_EQ(result.exitCode, 0) << result.err;
            return result.maxResidentKiB;
        };
        const long grown = run(large) - run(small);
        EXPECT_LT(grown, 8 * 1024) << "KiB more for a store of "
                                   << fs::file_size(large / pixa::kStoreFileName) / 1024 << " KiB";
        std::printf("[ figures  ] %s over %d owners (%ju MiB): %ld KiB more than over one\n",
                    command.front().c_str(), kOwners,
                    static_cast<uintmax_t>(fs::file_size(large / pixa::kStoreFileName) >> 20),
                    grown);
    }
}

} // namespace
} // namespace pixafault
