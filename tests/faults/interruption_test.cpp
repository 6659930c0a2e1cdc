// Stops the command-line tool in the middle of its work: SIGINT, SIGTERM and SIGHUP during a wrap
// and an unwrap, and a registration that waits for another one holding the owner store.
#include "fault_support.h"

#include "core/owner_store.h"
#include "core/pff_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace pixafault {
namespace {

using namespace std::chrono;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Polls `condition` with growing pauses until it holds or `limit` has passed.
template <typename Condition> bool eventually(Condition condition, seconds limit = seconds(60)) {
    const auto deadline = steady_clock::now() + limit;
    auto pause = microseconds(50);
    while (!condition()) {
        if (steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, microseconds(5000));
    }
    return true;
}

struct Exit {
    int status = -1; // the exit status, or -1 when a signal ended the process
    int signal = 0;
};

Exit waitForExit(pid_t pid) {
    const auto status = waitUntil(pid, seconds(60));
    if (!status) {
        ::kill(pid, SIGKILL);
        waitUntil(pid, seconds(10));
        ADD_FAILURE() << "the tool did not end";
        return {};
    }
    if (WIFEXITED(*status)) return {WEXITSTATUS(*status), 0};
    return {-1, WTERMSIG(*status)};
}

enum class Work { Wrap, Unwrap };

struct Stop {
    const char* label;
    Work work;
    std::vector<int> signals; // sent while the tool is held still in the middle of its write
    int exitStatus;           // -1: ended by one of the signals
};

void PrintTo(const Stop& c, std::ostream* os) {
    *os << c.label;
}

class StopDuringWrite : public ::testing::TestWithParam<Stop> {
protected:
    TempFolder folder;
};

TEST_P(StopDuringWrite, removesTheTemporaryAndKeepsTheOldTarget) {
    const Stop& c = GetParam();
    const fs::path data = folder / "data";
    const fs::path out = folder / "out";
    fs::create_directories(out);
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Stopper"}, kPasswords}).exitCode, 0);
    const fs::path picture = folder / "picture.bmp";
    const fs::path wrapped = folder / "picture.pff";
    // The target that is there already and must stay whole: a .pff, or an earlier picture.
    const fs::path target = out / (c.work == Work::Wrap ? "photo.pff" : "photo.bmp");
    writeFile(folder / "old.bmp", bitmapBytes(5000, 9));
    ASSERT_EQ(runCli({{"--data-dir", data, "wrap", "--owner", "Stopper", folder / "old.bmp",
                       "--output", c.work == Work::Wrap ? target : out / "old.pff"},
                      kPasswords})
                  .exitCode,
              0);
    if (c.work == Work::Unwrap) {
        fs::remove(out / "old.pff");
        writeFile(target, bitmapBytes(5000, 9));
    }
    const std::string old = readFile(target);

    // The picture grows until the tool is caught in the middle of writing it, however fast this
    // machine and build are.
    bool caught = false;
    for (size_t size = size_t(32) << 20; !caught && size <= (size_t(1) << 30); size *= 2) {
        writeFile(picture, bitmapBytes(size, 3));
        if (c.work == Work::Unwrap) {
            ASSERT_EQ(runCli({{"--data-dir", data, "wrap", "--owner", "Stopper", picture,
                               "--output", wrapped},
                              kPasswords})
                          .exitCode,
                      0);
        }
        const Launch launch =
            c.work == Work::Wrap
                ? Launch{{"--data-dir", data, "wrap", "--owner", "Stopper", picture, "--output",
                          target},
                         kPasswords}
                : Launch{{"--data-dir", data, "unwrap", wrapped, "--output", target}, kPasswords};
        const pid_t pid = startCli(launch, folder.path());
        const bool writing = eventually([&] {
            return !temporariesIn(out).empty() || waitUntil(pid, microseconds(0)).has_value();
        });
        ASSERT_TRUE(writing);
        // Held still, so that the signals surely arrive while the temporary file is there.
        ::kill(pid, SIGSTOP);
        caught = !temporariesIn(out).empty();
        for (const int signal : c.signals)
            if (caught) ::kill(pid, signal);
        ::kill(pid, SIGCONT);
        const Exit exit = waitForExit(pid);
        // Finished before the stop was seen: try a larger picture.
        if (exit.status == 0) caught = false;
        if (!caught) continue;
        const std::string err = readFile(folder / ".cli-stderr");
        if (c.exitStatus >= 0) {
            EXPECT_EQ(exit.status, c.exitStatus) << err;
            EXPECT_TRUE(contains(err, "error 18: User interrupt occurred")) << err;
            EXPECT_TRUE(temporariesIn(out).empty()) << "the temporary file was left";
        } else {
            // Whichever of the two the system delivers second ends the tool.
            EXPECT_TRUE(exit.signal == c.signals[0] || exit.signal == c.signals[1]) << err;
        }
        EXPECT_EQ(readFile(target), old) << "the old target changed";
        EXPECT_TRUE(temporariesIn(data).empty());
    }
    EXPECT_TRUE(caught) << "the tool was never caught in the middle of its write";
}

INSTANTIATE_TEST_SUITE_P(
    Signals, StopDuringWrite,
    ::testing::Values(Stop{"wrap_SIGINT", Work::Wrap, {SIGINT}, 130},
                      Stop{"wrap_SIGTERM", Work::Wrap, {SIGTERM}, 143},
                      Stop{"wrap_SIGHUP", Work::Wrap, {SIGHUP}, 129},
                      Stop{"unwrap_SIGINT", Work::Unwrap, {SIGINT}, 130},
                      Stop{"unwrap_SIGTERM", Work::Unwrap, {SIGTERM}, 143},
                      // A second signal while the first stop is pending ends the tool at once.
                      Stop{"wrap_SIGINT_then_SIGTERM", Work::Wrap, {SIGINT, SIGTERM}, -1}),
    [](const auto& info) { return std::string(info.param.label); });

// How the other registration that holds the store behaves.
enum class Holder { Stalls, Releases, StallsUntilSIGTERM };

class RegistrationWaitingForTheStore : public ::testing::TestWithParam<Holder> {
protected:
    TempFolder folder;
};

TEST_P(RegistrationWaitingForTheStore, givesUpAfterItsLimitOrRegistersOnceTheStoreIsFree) {
    const fs::path data = folder / "data";
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "First"}, kPasswords}).exitCode, 0);
    const fs::path store = data / pixa::kStoreFileName;
    const std::string before = readFile(store);
    // The lock of this process's own opening of the store stands for a stalled registration
    // (one stopped with Ctrl-Z while it holds the store).
    int holder = ::open(store.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const bool givesUp = GetParam() == Holder::Stalls;
    std::vector<std::string> env = kPasswords;
    env.push_back(std::string("PIXAMANTLER_LOCK_WAIT=") + (givesUp ? "0.4" : "60"));
    const pid_t pid = startCli({{"--data-dir", data, "register", "Second"}, env}, folder.path());
    const fs::path errFile = folder / ".cli-stderr";
    const std::string waiting = "Waiting for another registration to finish with ";
    if (!givesUp) {
        ASSERT_TRUE(eventually([&] { return contains(readFile(errFile), waiting); }));
        if (GetParam() == Holder::Releases) {
            ::close(holder);
            holder = -1;
        } else {
            ::kill(pid, SIGTERM);
        }
    }
    const Exit exit = waitForExit(pid);
    if (holder >= 0) ::close(holder);
    const std::string err = readFile(errFile);
    // Said once, however many tries it took.
    EXPECT_EQ(err.find(waiting), err.rfind(waiting)) << err;
    EXPECT_TRUE(contains(err, waiting)) << err;
    const std::string after = readFile(store);
    switch (GetParam()) {
    case Holder::Stalls:
        EXPECT_EQ(exit.status, 1) << err;
        EXPECT_TRUE(contains(err, "error 70: Permission denied: another registration has held " +
                                      store.string() + " for 0.4 seconds without finishing"))
            << err;
        EXPECT_EQ(after, before);
        break;
    case Holder::Releases:
        EXPECT_EQ(exit.status, 0) << err;
        EXPECT_EQ(after.size(), before.size() + pixa::kRecordSize);
        break;
    case Holder::StallsUntilSIGTERM:
        EXPECT_EQ(exit.status, 143) << err;
        EXPECT_TRUE(contains(err, "error 18: User interrupt occurred")) << err;
        EXPECT_EQ(after, before);
        break;
    }
    EXPECT_TRUE(temporariesIn(data).empty());
}

std::string holderName(const ::testing::TestParamInfo<Holder>& info) {
    static const char* const names[] = {"stalls", "releases", "stalls_until_SIGTERM"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Holders, RegistrationWaitingForTheStore,
                         ::testing::Values(Holder::Stalls, Holder::Releases,
                                           Holder::StallsUntilSIGTERM),
                         holderName);

} // namespace
} // namespace pixafault
