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

// A record of `name` (owner password "pw", viewer password "vw") registered at 10:minute:second.
std::string recordAt(const std::string& name, int minute, int second) {
    const auto s = pixa::encrypt_password(pixa::padField(name, 20), pixa::padField("pw", 8),
                                          pixa::padField("vw", 8), pixa::padField("", 40),
                                          pixa::FixedClock(10, minute, second));
    const int32_t factor = s.mul_fact * 11;
    return pixa::OwnerRecord{s.encr_name, s.encr_owner_pass,          s.encr_viewer_pass,
                             s.encr_hint, pixa::formatFactor(factor), factor}
        .bytes();
}

fs::path privateFolder(const fs::path& path) {
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

void runAsNobody() {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(125);
}

// 20 processes register 20 names, or 10 processes one name with passwords of their own.
class ParallelRegistrations : public ::testing::TestWithParam<bool> {};

TEST_P(ParallelRegistrations, storeEveryReportedOwnerAndEachNameOnce) {
    const bool oneName = GetParam();
    const int processes = oneName ? 10 : 20;
    TempFolder folder;
    const fs::path data = privateFolder(folder / "data");
    // Earlier owners make each rewrite long enough for the registrations to overlap.
    writeFile(data / pixa::kStoreFileName, ownerStoreBytes(2000));
    std::vector<pid_t> children;
    for (int i = 0; i < processes; ++i) {
        const std::string n = std::to_string(i);
        children.push_back(
            startCli({{"--data-dir", data, "register", oneName ? "Crowd" : "Crowd " + n},
                      {"PIXAMANTLER_OWNER_PASSWORD=pw" + n, "PIXAMANTLER_VIEWER_PASSWORD=vw" + n}},
                     privateFolder(folder / n)));
    }
    int reported = 0;
    for (int i = 0; i < processes; ++i) {
        const auto status = waitUntil(children[i], std::chrono::seconds(120));
        ASSERT_TRUE(status && WIFEXITED(*status));
        reported += WEXITSTATUS(*status) == 0;
        std::string err = readFile(folder / std::to_string(i) / ".cli-stderr");
        // A registration that waited more than a second for the others says so first.
        if (err.rfind("Waiting for another registration", 0) == 0) err.erase(0, err.find('\n') + 1);
        EXPECT_TRUE(err.empty() || contains(err, "An owner with this name already exists")) << err;
    }
    std::map<std::string, int> stored;
    for (const auto& r : pixa::OwnerStore(data / pixa::kStoreFileName).readAll())
        ++stored[pixa::decrypt_name(r.name, r.factor)];
    EXPECT_EQ(reported, oneName ? 1 : processes);
    EXPECT_EQ(stored.size(), 2000u + reported);
    for (const auto& [name, count] : stored)
        EXPECT_EQ(count, 1) << name;
}

INSTANTIATE_TEST_SUITE_P(Crowds, ParallelRegistrations, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OneName" : "TwentyNames"; });

// Password files that are streams, read to their first line end (those refused are cases of the
// bad-argument table). Each case: the owner and viewer passwords stored, then the options.
// Standard input is a pipe holding two lines; {FIFO} is a FIFO held open with one line in it.
class PasswordStreams : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(PasswordStreams, giveTheirFirstLine) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_EQ(::write(writer, "fifopw\n", 7), 7);
    Launch launch{{"--data-dir", folder / "data", "register", "Hal"},
                  {"PIXAMANTLER_OWNER_PASSWORD=ownerpw"},
                  {},
                  "piped\r\nsecond\n"};
    for (size_t i = 2; i < GetParam().size(); ++i)
        launch.args.push_back(GetParam()[i] == "{FIFO}" ? fifo.string() : GetParam()[i]);
    const auto result = runCli(launch);
    ::close(writer);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto r = pixa::OwnerStore(folder / "data" / pixa::kStoreFileName).readAll().at(0);
    EXPECT_EQ(pixa::decrypt_password(r.ownerPass, r.factor), pixa::padField(GetParam()[0], 8));
    EXPECT_EQ(pixa::decrypt_password(r.viewerPass, r.factor), pixa::padField(GetParam()[1], 8));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, PasswordStreams,
    ::testing::Values(
        std::vector<std::string>{"ownerpw", "piped", "--viewer-password-file", "/dev/stdin"},
        std::vector<std::string>{"ownerpw", "fifopw", "--viewer-password-file", "{FIFO}"},
        std::vector<std::string>{"piped", "second", "--owner-password-file", "/dev/stdin",
                                 "--viewer-password-file", "/dev/stdin"}));

// File types shorter than four characters, by an owner whose shift (118) passes a space's code.
class ShortTypes : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ShortTypes, makeWrappedPhotosThatOpen) {
    const auto& [source, shown, option] = std::tuple(GetParam()[0], GetParam()[1], GetParam()[2]);
    TempFolder folder;
    const fs::path data = privateFolder(folder / "data");
    writeFile(data / pixa::kStoreFileName, recordAt("Shifty", 59, 59));
    writeFile(folder / source, bitmapBytes(5000, 3));
    Launch wrap{{"--data-dir", data, "wrap", "--owner", "Shifty", folder / source, "--output",
                 folder / "photo.pff"},
                {"PIXAMANTLER_OWNER_PASSWORD=pw"}};
    if (!option.empty()) wrap.args.insert(wrap.args.end(), {"--type", option});
    ASSERT_EQ(runCli(wrap).exitCode, 0);
    const auto info = runCli({{"info", folder / "photo.pff"}, {}});
    EXPECT_TRUE(contains(info.out, "File type: " + shown + "\n")) << info.out << info.err;
    const auto unwrap = runCli({{"unwrap", folder / "photo.pff", "--output", folder / "back"},
                                {"PIXAMANTLER_VIEWER_PASSWORD=vw"}});
    EXPECT_EQ(unwrap.exitCode, 0) << unwrap.err;
    EXPECT_EQ(readFile(folder / "back"), readFile(folder / source));
}

INSTANTIATE_TEST_SUITE_P(Types, ShortTypes,
                         ::testing::Values(std::vector<std::string>{"photo.bmp", "ab", "ab"},
                                           std::vector<std::string>{"photo.jp", ".jp", ""},
                                           std::vector<std::string>{"scan.b", ".b", ""}));

// A 0444 wrapped photo and a 0400 store are not replaced. The super-user, whom cp obeys, may;
// as root the tool runs as an unprivileged user here.
class WriteProtected : public ::testing::TestWithParam<bool> {};

TEST_P(WriteProtected, isNotReplaced) {
    const bool store = GetParam();
    TempFolder folder;
    const fs::path mine = privateFolder(folder / "mine");
    const fs::path data = privateFolder(mine / "data");
    writeFile(data / pixa::kStoreFileName, recordAt("Owner", 1, 2));
    writeFile(mine / "picture.bmp", bitmapBytes(3000, 4));
    writeFile(mine / "photo.pff", "an older wrapped photo");
    const fs::path target = store ? data / pixa::kStoreFileName : mine / "photo.pff";
    ::chmod(target.c_str(), store ? 0400 : 0444);
    Launch launch{{"--data-dir", data, "register", "Newcomer"},
                  {"PIXAMANTLER_OWNER_PASSWORD=pw", "PIXAMANTLER_VIEWER_PASSWORD=other"}};
    if (!store) {
        launch.args = {"--data-dir",         data,       "wrap", "--owner", "Owner",
                       mine / "picture.bmp", "--output", target};
    }
    if (::geteuid() == 0) {
        for (const auto& entry : fs::recursive_directory_iterator(mine))
            ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(mine.c_str(), kNobody, kNobody), 0);
        launch.inChild = runAsNobody;
    }
    const std::string before = readFile(target);
    const auto result = runCli(launch);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(contains(result.err, "error 70: Permission denied")) << result.err;
    EXPECT_TRUE(contains(result.err, "is write-protected")) << result.err;
    EXPECT_EQ(readFile(target), before);
    EXPECT_TRUE(temporariesIn(target.parent_path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Files, WriteProtected, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OwnerStore" : "Pff"; });

// Without --data-dir or PIXAMANTLER_HOME the store goes to the per-user data folder, never beside
// the program; a chosen folder that others may write, or that another user owns, is refused.
TEST(DataFolder, isThePerUserOneOrAPrivateChosenOne) {
    TempFolder folder;
    const fs::path besideTool = fs::path(cliPath()).parent_path() / pixa::kStoreFileName;
    const bool wasBesideTool = fs::exists(besideTool);
    const auto home = runCli(
        {{"register", "Dora"},
         {kPasswords[0], kPasswords[1], "HOME=" + (folder / "home").string(), "XDG_DATA_HOME="}});
    EXPECT_EQ(home.exitCode, 0) << home.err;
    EXPECT_TRUE(fs::exists(folder / "home/.local/share/pixamantler" / pixa::kStoreFileName));
    EXPECT_EQ(modeOf(folder / "home/.local/share/pixamantler"), 0700u);
    EXPECT_EQ(fs::exists(besideTool), wasBesideTool);

    for (const bool otherUsers : {false, true}) {
        const fs::path given = folder / (otherUsers ? "theirs" : "shared");
        fs::create_directory(given);
        ::chmod(given.c_str(), otherUsers ? 0700 : 01777);
        if (otherUsers && ::chown(given.c_str(), kNobody, kNobody) != 0) continue;
        const auto refused = runCli({{"--data-dir", given, "register", "Dora"}, kPasswords});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(contains(refused.err, otherUsers ? "belongs to another user"
                                                     : "can be written by other users"))
            << refused.err;
    }
}

// While the tool waits for a password, its memory is out of reach: no core dump, and nothing in
// /proc for its own user.
TEST(ProcessPrivacy, toolTurnsOffCoreDumpsAndBecomesUndumpable) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    // Held open and silent: the tool waits for the password it would bring.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    Launch launch{{"--data-dir", folder / "none", "wrap", "--owner", "Any", "--owner-password-file",
                   fifo, "picture.bmp", "--output", "o.pff"}};
    // Another user than the one reading /proc, so that the owner of its entries tells.
    if (::geteuid() == 0) launch.inChild = runAsNobody;
    const pid_t pid = startCli(launch, folder.path());
    const fs::path proc = "/proc/" + std::to_string(pid);
    const std::string noCoreDumps = "Max core file size        0                    0";
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

// A store of 200,000 owners (15 MiB, twice the growth allowed) is read a few hundred records at
// a time.
TEST(LargeOwnerStore, isReadByRecords) {
    TempFolder folder;
    const fs::path small = privateFolder(folder / "small");
    const fs::path large = privateFolder(folder / "large");
    writeFile(small / pixa::kStoreFileName, ownerStoreBytes(1));
    writeFile(large / pixa::kStoreFileName, ownerStoreBytes(200000));
    // A sanitizer would keep what is freed for a while; the test wants what is held.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":quarantine_size_mb=1";
    for (const std::string command : {"register Newcomer", "hint Owner 0", "owners"}) {
        auto peak = [&](const fs::path& data) {
            Launch launch{{"--data-dir", data, command.substr(0, command.find(' '))},
                          {kPasswords[0], kPasswords[1], asanOptions}};
            if (command.find(' ') != std::string::npos)
                launch.args.push_back(command.substr(command.find(' ') + 1));
            const auto result = runCli(launch);
            EXPECT_EQ(result.exitCode, 0) << command << result.err;
            return result.maxResidentKiB;
        };
        const long grown = peak(large) - peak(small);
        EXPECT_LT(grown, 8 * 1024) << command;
        std::printf("[ figures  ] %s over 200,000 owners: %ld KiB more than over one\n",
                    command.c_str(), grown);
    }
}

} // namespace
} // namespace pixafault
