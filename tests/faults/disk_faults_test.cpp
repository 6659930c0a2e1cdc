// A full disk, a read-only destination and a vanished source while the tool writes: each is
// reported with its error number, and no partial or temporary file is left.
#include "fault_support.h"

#include "core/owner_store.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <tuple>

namespace pixafault {
namespace {

constexpr uid_t kNobody = 65534;
// Smaller than the 100-owner store and than the 4 MiB picture and its .pff.
constexpr rlim_t kFileSizeLimit = 4096;

enum class Operation { WrapNew, WrapOver, Unwrap, Register };
enum class Obstacle { FileSizeLimit, FullFilesystem, ReadOnlyFolder };

std::string nameOf(Operation op) {
    switch (op) {
    case Operation::WrapNew:
        return "WrapNew";
    case Operation::WrapOver:
        return "WrapOver";
    case Operation::Unwrap:
        return "Unwrap";
    case Operation::Register:
        return "Register";
    }
    return "?";
}

std::string nameOf(Obstacle obstacle) {
    switch (obstacle) {
    case Obstacle::FileSizeLimit:
        return "FileSizeLimit";
    case Obstacle::FullFilesystem:
        return "FullFilesystem";
    case Obstacle::ReadOnlyFolder:
        return "ReadOnlyFolder";
    }
    return "?";
}

// The folder the operation writes into is `destination`: the .pff's or picture's folder, or the
// data folder for a registration. Each case prepares it, puts the obstacle in place, runs the
// tool once and checks that the folder holds exactly what it held before.
class BlockedWrite : public ::testing::TestWithParam<std::tuple<Obstacle, Operation>> {
protected:
    void SetUp() override {
        std::tie(m_obstacle, m_operation) = GetParam();
        fs::create_directories(m_folder / "plain");
        m_data = m_folder / "plain" / "data";
        if (m_obstacle == Obstacle::FileSizeLimit) {
            m_destination = m_folder / "plain" / "out";
            fs::create_directories(m_destination);
        } else {
            const auto mounted = m_folder.mountTmpfs("small", "size=2m");
            if (!mounted) {
                m_skip = "mounting a small file system is not permitted here";
                return;
            }
            m_destination = *mounted;
        }
        if (m_operation == Operation::Register) m_data = m_destination;
        // A store larger than the file-size limit, so that its rewrite meets the limit.
        if (m_operation == Operation::Register && m_obstacle == Obstacle::FileSizeLimit) {
            writeFile(m_data / pixa::kStoreFileName, ownerStoreBytes(100));
        }
        ASSERT_EQ(runCli({{"--data-dir", m_data, "register", "Filler"}, kPasswords}).exitCode, 0);
        writeFile(m_folder / "plain" / "small.bmp", bitmapBytes(100000, 3));
        writeFile(m_folder / "plain" / "large.bmp", bitmapBytes(4 << 20, 4));
        if (m_operation == Operation::WrapOver) {
            ASSERT_EQ(runCli(wrapInto(m_destination / "photo.pff", "small.bmp")).exitCode, 0);
        }
        if (m_operation == Operation::Unwrap) {
            ASSERT_EQ(runCli(wrapInto(m_folder / "plain" / "large.pff", "large.bmp")).exitCode, 0);
        }
        if (m_obstacle == Obstacle::FullFilesystem) {
            // Fill what is left, so that even the registration's 80 bytes do not fit.
            std::string filler(64 << 10, 'f');
            for (int i = 0; i < 64; ++i) {
                try {
                    writeFile(m_destination / ("filler" + std::to_string(i)), filler);
                } catch (const std::exception&) {
                    break;
                }
            }
        }
        if (m_obstacle == Obstacle::ReadOnlyFolder) makeReadOnly();
    }

    Launch wrapInto(const fs::path& target, const std::string& picture) const {
        return {{"--data-dir", m_data, "wrap", "--owner", "Filler", "--caption", "Blocked",
                 m_folder / "plain" / picture, "--output", target},
                kPasswords};
    }

    // The operation under test, as the tool is asked to do it.
    Launch operationLaunch() const {
        switch (m_operation) {
        case Operation::WrapNew:
        case Operation::WrapOver:
            return wrapInto(m_destination / "photo.pff", "large.bmp");
        case Operation::Unwrap:
            return {{"unwrap", m_folder / "plain" / "large.pff", "--output",
                     m_destination / "picture.bmp"},
                    kPasswords};
        case Operation::Register:
            return {{"--data-dir", m_data, "register", "Newcomer"}, kPasswords};
        }
        return {};
    }

    // Read-only by a read-only remount when permitted; else, as root, by running the tool as
    // an unprivileged user on a folder it may not write; else by the permission bits alone.
    void makeReadOnly() {
        if (::mount(nullptr, m_destination.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0)
            return;
        fs::permissions(m_destination, fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
        if (::geteuid() == 0) {
            m_asNobody = true;
            fs::permissions(m_folder / "plain", fs::perms::all);
            for (const auto& entry : fs::recursive_directory_iterator(m_folder / "plain")) {
                fs::permissions(entry.path(), fs::perms::all);
            }
        }
    }

    ProcessResult run(Launch launch) const {
        if (m_obstacle == Obstacle::FileSizeLimit) {
            launch.inChild = [] {
                const rlimit limit{kFileSizeLimit, kFileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            };
        } else if (m_asNobody) {
            launch.inChild = [] {
                if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(125);
            };
        }
        return runCli(launch);
    }

    std::map<std::string, std::string> contents() const {
        std::map<std::string, std::string> out;
        for (const auto& entry : fs::directory_iterator(m_destination))
            out[entry.path().filename()] = readFile(entry.path());
        return out;
    }

    TempFolder m_folder;
    Obstacle m_obstacle{};
    Operation m_operation{};
    fs::path m_data;
    fs::path m_destination;
    std::string m_skip;
    bool m_asNobody = false;
};

TEST_P(BlockedWrite, isReportedWithItsNumberAndLeavesTheFolderAsItWas) {
    if (!m_skip.empty()) GTEST_SKIP() << m_skip;
    const auto before = contents();
    const auto result = run(operationLaunch());
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_TRUE(printableMessage(result.err));
    if (m_obstacle == Obstacle::ReadOnlyFolder) {
        EXPECT_NE(result.err.find("error 70: Permission denied"), std::string::npos) << result.err;
    } else {
        EXPECT_NE(result.err.find("error 61: Disk full"), std::string::npos) << result.err;
    }
    EXPECT_EQ(contents(), before) << "the failed write changed the folder";
    EXPECT_TRUE(temporariesIn(m_destination).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BlockedWrite,
    ::testing::Combine(::testing::Values(Obstacle::FileSizeLimit, Obstacle::FullFilesystem,
                                         Obstacle::ReadOnlyFolder),
                       ::testing::Values(Operation::WrapNew, Operation::WrapOver, Operation::Unwrap,
                                         Operation::Register)),
    [](const auto& info) {
        return nameOf(std::get<0>(info.param)) + "_" + nameOf(std::get<1>(info.param));
    });

} // namespace
} // namespace pixafault
