// Kill -9 of the command-line tool at random moments while it wraps over an existing .pff and
// while it registers owners: what is on disk afterwards is always one whole version.
#include "fault_support.h"

#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

namespace pixafault {
namespace {

using namespace std::chrono;

// The date and time fields: the only bytes of two wraps of one picture that may differ.
constexpr size_t kStampBegin = 344;
constexpr size_t kStampEnd = 363;

bool sameApartFromStamp(const std::string& a, const std::string& b) {
    return a.size() == b.size() && a.compare(0, kStampBegin, b, 0, kStampBegin) == 0 &&
           a.compare(kStampEnd, std::string::npos, b, kStampEnd, std::string::npos) == 0;
}

// Starts the tool and kills it with SIGKILL after `delay`, unless it ended first. True when it
// was killed. Runs that end are not checked for leaks: the tool's own tests do that, and here
// the check at each end would cost more than the run.
bool killAfter(Launch launch, const fs::path& outputs, microseconds delay) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    launch.env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0");
    const pid_t pid = startCli(launch, outputs);
    if (waitUntil(pid, delay)) return false;
    ::kill(pid, SIGKILL);
    const auto status = waitUntil(pid, seconds(30));
    if (!status) throw std::runtime_error("a killed process did not end");
    return WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL;
}

// Random kill delays up to a bound that follows how long runs really take: it shrinks after a
// run that ended before its kill and grows back after a kill, so that about half the runs are
// killed, at moments spread over the whole run, however fast this machine and build are.
class KillDelays {
public:
    explicit KillDelays(microseconds longest) : m_bound(longest * 6 / 5), m_most(m_bound) {}
    microseconds next() { return microseconds(m_random() % (m_bound.count() + 1)); }
    void record(bool killed) {
        m_bound = killed ? std::min(m_most, m_bound * 21 / 20) : m_bound * 9 / 10;
        m_bound = std::max(m_bound, microseconds(100));
    }

private:
    std::mt19937 m_random{20261208};
    microseconds m_bound;
    microseconds m_most;
};

microseconds timeOf(const Launch& launch) {
    const auto start = steady_clock::now();
    const auto result = runCli(launch);
    EXPECT_TRUE(result.exited && result.exitCode == 0) << result.err;
    return duration_cast<microseconds>(steady_clock::now() - start);
}

class KillDuringWrap : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(KillDuringWrap, leavesTheOldOrTheNewFileWholeAndNoTemporaryAfterTheNextStart) {
    const fs::path data = folder / "data";
    const fs::path photos = folder / "photos";
    fs::create_directories(photos);
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Killer"}, kPasswords}).exitCode, 0);
    // Two pictures of different sizes, so that a mix of both would also show in the length.
    // They start at 8 MiB and are halved while a whole wrap takes longer than a few tenths of
    // a second (sanitizer builds), which keeps the kills spread over the whole write.
    const fs::path pictures[2] = {folder / "first.bmp", folder / "second.bmp"};
    const fs::path target = photos / "photo.pff";
    auto wrapOf = [&](int which) {
        return Launch{{"--data-dir", data, "wrap", "--owner", "Killer", "--caption", "Kill test",
                       pictures[which], "--output", target},
                      kPasswords};
    };
    // The expected outputs, written by complete runs; a wrap of the same picture differs only in
    // its date and time.
    std::string expected[2];
    microseconds longest{0};
    size_t size = 8 << 20;
    for (;; size /= 2) {
        writeFile(pictures[0], bitmapBytes(size, 1));
        writeFile(pictures[1], bitmapBytes(size + 5000, 2));
        longest = microseconds(0);
        for (int which : {1, 0}) {
            longest = std::max(longest, timeOf(wrapOf(which)));
            expected[which] = readFile(target);
            ASSERT_EQ(expected[which].size(), fs::file_size(pictures[which]) + pixa::kWrapOverhead);
        }
        if (longest < milliseconds(400) || size <= (1 << 20)) break;
    }

    KillDelays delays(longest);
    const int wanted = killCount(100);
    int kills = 0;
    int current = 0; // the picture the target holds now
    int newAfterKill = 0;
    int midWrite = 0; // kills that left a partial temporary file
    std::vector<std::string> leftovers;
    for (int attempt = 0; kills < wanted && attempt < wanted * 10; ++attempt) {
        const int next = 1 - current;
        const auto delay = delays.next();
        const bool killed = killAfter(wrapOf(next), folder.path(), delay);
        delays.record(killed);
        kills += killed;
        // A run that was not killed went through its start, which removes what killed runs left.
        if (!killed) {
            for (const auto& name : leftovers) {
                EXPECT_FALSE(fs::exists(photos / name))
                    << "not removed by the next start: " << name;
            }
        }
        const std::string now = readFile(target);
        if (sameApartFromStamp(now, expected[next])) {
            current = next;
            newAfterKill += killed;
        } else {
            ASSERT_TRUE(sameApartFromStamp(now, expected[current]))
                << "attempt " << attempt << " after " << delay.count()
                << " us left a file that is neither the old nor the new one (" << now.size()
                << " bytes)";
        }
        leftovers = temporariesIn(photos);
        EXPECT_TRUE(killed || leftovers.empty()) << "a finished wrap left a temporary file";
        midWrite += killed && !leftovers.empty();
        EXPECT_TRUE(temporariesIn(data).empty());
    }
    EXPECT_GE(kills, wanted) << "the wraps ended before they could be killed";
    // The next start of the tool on that folder removes what the last kill left.
    ASSERT_EQ(runCli(wrapOf(0)).exitCode, 0);
    EXPECT_TRUE(temporariesIn(photos).empty());
    RecordProperty("kills", kills);
    std::printf("[ figures  ] %d kills during wraps of %zu MiB taking up to %lld ms: %d in the "
                "middle of the write, %d after the new file was in place\n",
                kills, size >> 20, static_cast<long long>(longest.count() / 1000), midWrite,
                newAfterKill);
    EXPECT_GT(midWrite, 0) << "no kill hit the write itself";
}

class KillDuringRegistration : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(KillDuringRegistration, leavesOnlyWholeRecordsAndNoTemporaryAfterTheNextStart) {
    const fs::path data = folder / "data";
    fs::create_directories(data);
    const pixa::OwnerStore store(data / pixa::kStoreFileName);
    writeFile(store.path(), ownerStoreBytes(4000));
    auto registration = [&](int n) {
        return Launch{{"--data-dir", data, "register", "New " + std::to_string(n)}, kPasswords};
    };
    microseconds longest{0};
    for (int n = 0; n < 3; ++n)
        longest = std::max(longest, timeOf(registration(n)));

    KillDelays delays(longest);
    const int wanted = killCount(110);
    int kills = 0;
    std::vector<std::string> leftovers;
    std::string before = readFile(store.path());
    for (int attempt = 0; kills < wanted && attempt < wanted * 10; ++attempt) {
        const int n = 3 + attempt;
        const bool killed = killAfter(registration(n), folder.path(), delays.next());
        delays.record(killed);
        kills += killed;
        if (!killed) {
            for (const auto& name : leftovers) {
                EXPECT_FALSE(fs::exists(data / name)) << "not removed by the next start: " << name;
            }
        }
        const std::string after = readFile(store.path());
        ASSERT_EQ(after.size() % pixa::kRecordSize, 0u)
            << "a partial record after attempt " << attempt;
        ASSERT_EQ(after.compare(0, before.size(), before), 0) << "earlier records changed";
        if (after.size() != before.size()) {
            ASSERT_EQ(after.size(), before.size() + pixa::kRecordSize);
            const auto last = pixa::OwnerRecord::fromBytes(after.substr(before.size()));
            EXPECT_EQ(pixa::decrypt_name(last.name, last.factor),
                      pixa::padField("New " + std::to_string(n), 20));
        }
        before = after;
        leftovers = temporariesIn(data);
        EXPECT_TRUE(killed || leftovers.empty()) << "a finished registration left a temporary file";
    }
    EXPECT_GE(kills, wanted) << "the registrations ended before they could be killed";
    // Any command is a next start: it clears what the last kill left and reads every owner.
    const auto owners = runCli({{"--data-dir", data, "owners"}, {}});
    ASSERT_EQ(owners.exitCode, 0) << owners.err;
    EXPECT_TRUE(temporariesIn(data).empty());
    const auto records = store.readAll();
    EXPECT_EQ(std::count(owners.out.begin(), owners.out.end(), '\n'),
              static_cast<long>(records.size()));
    std::printf("[ figures  ] %d kills during registrations over %zu owners\n", kills,
                records.size());
}

} // namespace
} // namespace pixafault
