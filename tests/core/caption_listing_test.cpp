// Listing captions of many files: what counts as not a wrapped photo and what as unreadable,
// folders that cannot be read, progress and stopping.
#include "core/caption_listing.h"
#include "core/error.h"
#include "deep_folders.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <optional>

using namespace pixa;
using namespace pixatest;

namespace {

class CaptionListingTest : public TempDirTest {
protected:
    CurrentOwner owner = makeOwner("ann", "ownerpw", "viewpw", 2, 3);
    FixedClock clock{9, 0, 0};

    std::string wrapped(const std::string& caption) {
        writeBytes(dir / "source.bmp", pictureBytes(3000));
        encrypt_pff_file({dir / "source.bmp", dir / "model.pff", caption, ".BMP", owner, &clock});
        const std::string bytes = readBytes(dir / "model.pff");
        fs::remove(dir / "source.bmp");
        fs::remove(dir / "model.pff");
        return bytes;
    }
};

struct Seen {
    Seen() = default;
    Seen(CaptionStatus s, int32_t n = 0, std::string c = {})
        : status(s), number(n), caption(std::move(c)) {}
    CaptionStatus status = CaptionStatus::Read;
    int32_t number = 0; // of the failure, when there is one
    std::string caption;
};

std::map<std::string, Seen> byName(const std::vector<CaptionEntry>& entries) {
    std::map<std::string, Seen> out;
    for (const auto& e : entries) {
        out[e.file.filename()] = Seen(e.status, e.failure ? e.failure->number() : 0,
                                      std::string(trimSpaces(e.caption.caption)));
    }
    return out;
}

std::vector<CaptionEntry> listFolder(const fs::path& folder, bool recursive,
                                     std::vector<UnreadFolder>* unread = nullptr) {
    std::vector<CaptionEntry> entries;
    auto folders =
        readFolderCaptions(folder, recursive, [&](const CaptionEntry& e) { entries.push_back(e); });
    if (unread) *unread = std::move(folders);
    return entries;
}

bool operator==(const Seen& a, const Seen& b) {
    return a.status == b.status && a.number == b.number && a.caption == b.caption;
}

} // namespace

TEST_F(CaptionListingTest, OnlyFilesReadAndFoundForeignAreNotWrapped) {
    writeBytes(dir / "good.pff", wrapped("Holiday"));
    writeBytes(dir / "short.PFF", std::string(200, 'x'));
    writeBytes(dir / "text.pff", std::string(kMinimumPffSize, 'x'));
    writeBytes(dir / "locked.pff", wrapped("Locked"));
    ::chmod((dir / "locked.pff").c_str(), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.pff").c_str(), 0600), 0);
    fs::create_symlink("good.pff", dir / "link.pff");
    fs::create_symlink("nowhere.pff", dir / "gone.pff");
    fs::create_directory(dir / "folder.pff");
    writeBytes(dir / "notes.txt", "not listed");

    const bool root = ::geteuid() == 0; // permissions do not bind the super-user
    const std::map<std::string, Seen> expected = {
        {"good.pff", {CaptionStatus::Read, 0, "Holiday"}},
        {"link.pff", {CaptionStatus::Read, 0, "Holiday"}},
        {"short.PFF", {CaptionStatus::NotWrapped, err::InputPastEnd}},
        {"text.pff", {CaptionStatus::NotWrapped, err::TypeMismatch}},
        {"locked.pff", root ? Seen{CaptionStatus::Read, 0, "Locked"}
                            : Seen{CaptionStatus::Unreadable, err::PermissionDenied}},
        {"fifo.pff", {CaptionStatus::Unreadable, err::PathFileAccess}},
        {"gone.pff", {CaptionStatus::Unreadable, err::FileNotFound}},
    };
    const auto entries = listFolder(dir, false);
    EXPECT_EQ(byName(entries), expected);
    ASSERT_EQ(entries.size(), expected.size());
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                               [](const auto& a, const auto& b) { return a.file < b.file; }));
}

TEST_F(CaptionListingTest, FoldersAndFilesBeyondThePathLimitAreReportedAndTheRestListed) {
    const std::string bytes = wrapped("Deep");
    writeBytes(dir / "top.pff", bytes);
    // A chain whose deepest folder's path is 4000 characters: its own short-named file can be
    // opened, a 200-character name and a subfolder pass the system's limit of 4095.
    const size_t start = dir.string().size();
    const int levels = static_cast<int>((4000 - start - 2) / 201);
    fs::path chain = makeFolderChain(dir, levels, 200);
    const size_t rest = 4000 - start - 201 * static_cast<size_t>(levels) - 1;
    chain /= makeFolderChain(dir / chain, 1, rest,
                             {{"near.pff", bytes}, {std::string(196, 'x') + ".pff", bytes}});
    ASSERT_EQ((dir / chain).string().size(), 4000u);
    makeFolderChain(dir / chain, 1, 200, {{"lost.pff", bytes}});

    std::vector<UnreadFolder> unread;
    const auto entries = listFolder(dir, true, &unread);
    removeDeepTree(dir / *chain.begin());
    EXPECT_EQ(byName(entries),
              (std::map<std::string, Seen>{
                  {"top.pff", {CaptionStatus::Read, 0, "Deep"}},
                  {"near.pff", {CaptionStatus::Read, 0, "Deep"}},
                  {std::string(196, 'x') + ".pff", {CaptionStatus::Unreadable, err::BadFileName}},
              }));
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_EQ(unread[0].folder, dir / chain / std::string(200, 'd'));
    EXPECT_EQ(unread[0].failure.number(), err::BadFileName);
}

TEST_F(CaptionListingTest, ASubfolderThatCannotBeReadFailsAListingThatCannotReportIt) {
    fs::path chain = makeFolderChain(dir, 22, 200);
    EXPECT_EQ(failureNumber([&] { listPffFiles(dir, true); }), err::BadFileName);
    std::vector<UnreadFolder> unread;
    EXPECT_TRUE(listPffFiles(dir, true, &unread).empty());
    EXPECT_EQ(unread.size(), 1u);
    EXPECT_TRUE(listPffFiles(dir, false).empty()); // subfolders are not opened then
    removeDeepTree(dir / *chain.begin());
}

TEST_F(CaptionListingTest, ProgressPerFileAndAStopBeforeTheNextFile) {
    const std::string bytes = wrapped("Same");
    std::vector<fs::path> files;
    for (const char* name : {"a.pff", "b.pff", "c.pff", "d.pff", "e.pff"}) {
        writeBytes(dir / name, bytes);
        files.push_back(dir / name);
    }
    for (const uint64_t stopAt : {0u, 1u, 3u, 6u}) {
        SCOPED_TRACE(stopAt);
        std::stop_source stop;
        if (stopAt == 0) stop.request_stop();
        std::vector<uint64_t> steps;
        std::vector<fs::path> read;
        const int32_t number = failureNumber([&] {
            readCaptions(
                files, [&](const CaptionEntry& e) { read.push_back(e.file); },
                [&](uint64_t file, uint64_t count) {
                    EXPECT_EQ(count, 5u);
                    steps.push_back(file);
                    if (file == stopAt) stop.request_stop();
                },
                stop.get_token());
        });
        const size_t done = stopAt == 0 ? 0 : std::min<size_t>(stopAt - 1, 5);
        EXPECT_EQ(number, stopAt <= 5 ? err::UserInterrupt : 0);
        EXPECT_EQ(read, std::vector<fs::path>(files.begin(), files.begin() + done));
        EXPECT_EQ(steps.size(), std::min<size_t>(stopAt, 5));
    }
}
