// Leftover temporary files: those of dead writers are removed at the next start; odd names that
// only look like ours are left alone, and none of them may stop the start.
#include "fault_support.h"

#include "core/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pixafault {
namespace {

// The process id of a process that has ended.
std::string deadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::to_string(pid);
}

struct Leftover {
    const char* name;
    std::string fileName;
    bool removed;
    int ageSeconds = 0;      // how long ago it was last written
    bool otherUsers = false; // the file belongs to another user
};

void PrintTo(const Leftover& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Leftover> leftovers() {
    const std::string self = std::to_string(::getpid());
    return {
        {"DeadWriter", ".owners.inf." + deadPid() + "-12345.pixatmp", true},
        {"DeadWriterOfAPff", ".photo.v2.pff." + deadPid() + "-1.pixatmp", true},
        {"LiveWriter", ".owners.inf." + self + "-12345.pixatmp", false},
        {"PidTooLargeForANumber", ".owners.inf.99999999999999999999999-1.pixatmp", false},
        {"PidBeyondProcessIds", ".owners.inf.4294967297-1.pixatmp", false},
        {"NoPid", ".owners.inf.-1.pixatmp", false},
        {"NotHidden", "owners.inf." + deadPid() + "-1.pixatmp", false},
        {"OtherSuffix", ".owners.inf." + deadPid() + "-1.tmp", false},
        // Process ids are reused: a file nobody holds is abandoned once a minute has passed.
        {"UnlockedOfALiveProcessFor30s", ".owners.inf." + self + "-2.pixatmp", false, 30},
        {"UnlockedOfALiveProcessFor90s", ".owners.inf." + self + "-3.pixatmp", true, 90},
        {"DeadWritersOfAnotherUser", ".photo.pff." + deadPid() + "-4.pixatmp", false, 0, true},
    };
}

// Puts the leftover in place, as old and as whose as the case says; false when this process may
// not give a file away.
bool placeLeftover(const fs::path& path, const Leftover& c) {
    writeFile(path, "partial");
    fs::last_write_time(path,
                        fs::file_time_type::clock::now() - std::chrono::seconds(c.ageSeconds));
    return !c.otherUsers || ::chown(path.c_str(), 65534, 65534) == 0;
}

class StaleTemporary : public ::testing::TestWithParam<Leftover> {
protected:
    TempFolder folder;
};

TEST_P(StaleTemporary, coreRemovesOnlyThoseOfDeadWriters) {
    // A shared folder, where anybody may leave files.
    ::chmod(folder.path().c_str(), 01777);
    if (!placeLeftover(folder / GetParam().fileName, GetParam()))
        GTEST_SKIP() << "giving a file to another user is not permitted here";
    EXPECT_EQ(pixa::removeStaleTemporaries(folder.path()), GetParam().removed ? 1 : 0);
    EXPECT_EQ(fs::exists(folder / GetParam().fileName), !GetParam().removed);
}

TEST_P(StaleTemporary, toolStartsWhateverTheDataFolderHolds) {
    const fs::path data = folder / "data";
    fs::create_directories(data);
    if (!placeLeftover(data / GetParam().fileName, GetParam()))
        GTEST_SKIP() << "giving a file to another user is not permitted here";
    const auto result = runCli({{"--data-dir", data, "owners"}, {}});
    ASSERT_TRUE(result.exited) << "killed by signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(fs::exists(data / GetParam().fileName), !GetParam().removed);
}

INSTANTIATE_TEST_SUITE_P(Names, StaleTemporary, ::testing::ValuesIn(leftovers()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pixafault
