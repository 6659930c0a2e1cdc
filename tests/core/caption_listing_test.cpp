// Listing captions of many files: what counts as not a wrapped photo and what as unreadable,
// folders that cannot be read, progress and stopping.
#include "core/caption_listing.h"
#include "deep_folders.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

using namespace pixa;
using namespace pixatest;

namespace {

class CaptionListingTest : public TempDirTest {
protected:
    // A wrapped photo's bytes with `caption`.
    std::string wrapped(const std::string& caption) {
        const FixedClock clock(9, 0, 0);
        writeBytes(dir / "source.bmp", pictureBytes(3000));
        encrypt_pff_file({dir / "source.bmp", dir / "model.pff", caption, ".BMP",
                          makeOwner("ann", "pw", "vw", 2, 3), &clock});
        const std::string bytes = readBytes(dir / "model.pff");
        fs::remove(dir / "source.bmp");
        fs::remove(dir / "model.pff");
        return bytes;
    }
    // Each listed file's name and outcome: "read <caption>", or the status and error number.
    std::map<std::string, std::string> list(bool recursive, std::vector<UnreadFolder>* unread) {
        std::map<std::string, std::string> seen;
        auto folders = readFolderCaptions(dir, recursive, [&](const CaptionEntry& e) {
            seen[e.file.filename()] =
                e.status == CaptionStatus::Read
                    ? "read " + std::string(trimSpaces(e.caption.caption))
                    : (e.status == CaptionStatus::NotWrapped ? "not wrapped " : "unreadable ") +
                          std::to_string(e.failure->number());
        });
        if (unread) *unread = std::move(folders);
        return seen;
    }
};

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

    // Permissions do not bind the super-user.
    const bool root = ::geteuid() == 0;
    EXPECT_EQ(list(false, nullptr), (std::map<std::string, std::string>{
                                        {"good.pff", "read Holiday"},
                                        {"link.pff", "read Holiday"},
                                        {"short.PFF", "not wrapped 62"},
                                        {"text.pff", "not wrapped 13"},
                                        {"locked.pff", root ? "read Locked" : "unreadable 70"},
                                        {"fifo.pff", "unreadable 75"},
                                        {"gone.pff", "unreadable 53"},
                                    }));
}

TEST_F(CaptionListingTest, FoldersAndFilesBeyondThePathLimitAreReportedAndTheRestListed) {
    const std::string bytes = wrapped("Deep");
    writeBytes(dir / "top.pff", bytes);
    // A chain whose deepest folder's path is 4000 characters: its own short-named file can be
    // opened, a 200-character name and a subfolder pass the system's limit of 4095.
    const size_t start = dir.string().size();
    const int levels = static_cast<int>((4000 - start - 2) / 201);
    fs::path chain = makeFolderChain(dir, levels, 200);
    chain /= makeFolderChain(dir / chain, 1, 4000 - start - 201 * levels - 1,
                             {{"near.pff", bytes}, {std::string(196, 'x') + ".pff", bytes}});
    ASSERT_EQ((dir / chain).string().size(), 4000u);
    makeFolderChain(dir / chain, 1, 200, {{"lost.pff", bytes}});

    std::vector<UnreadFolder> unread;
    EXPECT_EQ(list(true, &unread), (std::map<std::string, std::string>{
                                       {"top.pff", "read Deep"},
                                       {"near.pff", "read Deep"},
                                       {std::string(196, 'x') + ".pff", "unreadable 52"},
                                   }));
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_EQ(unread[0].folder, dir / chain / std::string(200, 'd'));
    EXPECT_EQ(unread[0].failure.number(), err::BadFileName);
    // Without a place to report it, an unreadable subfolder fails the listing.
    EXPECT_EQ(failureNumber([&] { listPffFiles(dir, true); }), err::BadFileName);
    removeDeepTree(dir / *chain.begin());
}

TEST_F(CaptionListingTest, ProgressPerFileAndAStopBeforeTheNextFile) {
    const std::string bytes = wrapped("Same");
    std::vector<fs::path> files;
    for (const char* name : {"a.pff", "b.pff", "c.pff", "d.pff", "e.pff"}) {
        writeBytes(dir / name, bytes);
        files.push_back(dir / name);
    }
    // Stopped before any file, in the first step, in the third, or never.
    for (const uint64_t stopAt : {0u, 1u, 3u, 6u}) {
        SCOPED_TRACE(stopAt);
        std::stop_source stop;
        if (stopAt == 0) stop.request_stop();
        std::vector<uint64_t> steps;
        std::vector<fs::path> read;
        const auto onFile = [&](const CaptionEntry& e) { read.push_back(e.file); };
        const auto progress = [&](uint64_t file, uint64_t count) {
            EXPECT_EQ(count, 5u);
            steps.push_back(file);
            if (file == stopAt) stop.request_stop();
        };
        const int32_t number =
            failureNumber([&] { readCaptions(files, onFile, progress, stop.get_token()); });
        EXPECT_EQ(number, stopAt <= 5 ? err::UserInterrupt : 0);
        const size_t done = std::min<size_t>(stopAt == 0 ? 0 : stopAt - 1, 5);
        EXPECT_EQ(read, std::vector<fs::path>(files.begin(), files.begin() + done));
        EXPECT_EQ(steps.size(), std::min<size_t>(stopAt, 5));
    }
}

TEST_F(CaptionListingTest, TheWalkSkipsPseudoFileSystemsAndLinksAndStopsBetweenFolders) {
    const std::string bytes = wrapped("Walk");
    for (const char* sub : {"a", "a/b", "c"}) {
        fs::create_directory(dir / sub);
        writeBytes(dir / sub / "p.pff", bytes);
    }
    fs::create_directory_symlink(dir / "a", dir / "link");
    // The kernel's process tree mounted inside the searched folder: as the super-user only.
    bool mounted = false;
    if (::geteuid() == 0) {
        fs::create_directory(dir / "proc");
        const std::string mount = "mount -t proc proc " + (dir / "proc").string() + " 2>/dev/null";
        mounted = std::system(mount.c_str()) == 0;
        if (!mounted) fs::remove(dir / "proc");
    }
    std::vector<fs::path> visited;
    const auto files = listPffFiles(dir, true, nullptr,
                                    [&](const fs::path& folder) { visited.push_back(folder); });
    if (mounted) {
        EXPECT_EQ(std::system(("umount " + (dir / "proc").string()).c_str()), 0);
    }
    EXPECT_EQ(files, (std::vector<fs::path>{dir / "a/b/p.pff", dir / "a/p.pff", dir / "c/p.pff"}));
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ(visited, (std::vector<fs::path>{dir, dir / "a", dir / "a/b", dir / "c"}));

    // Asked to stop while it visits its second folder, the walk reads no further.
    std::stop_source stop;
    int visits = 0;
    const auto stopAtSecond = [&](const fs::path&) {
        if (++visits == 2) stop.request_stop();
    };
    EXPECT_EQ(failureNumber([&] { listPffFiles(dir, true, nullptr, stopAtSecond, stop.get_token()); }),
              err::UserInterrupt);
    EXPECT_EQ(visits, 2);
}

TEST_F(CaptionListingTest, AFileThatTheFullReaderRefusesCarriesItsRefusal) {
    const std::string good = wrapped("Holiday");
    const std::string factorAt = good.substr(good.size() - kTrailerSize, 4);
    // A file of `size` bytes: the good header as far as it goes, then filler, with the good
    // stored factor where a file of that size keeps it.
    const auto cut = [&](size_t size) {
        std::string bytes = good.substr(0, std::min(size, kHeaderSize));
        bytes.resize(size, 'x');
        bytes.replace(size - kTrailerSize, 4, factorAt);
        return bytes;
    };
    std::string lyingFactor = good;
    lyingFactor.replace(good.size() - kTrailerSize, 4, std::string(4, char(255 - '9'))); // 9999
    const struct {
        const char* name;
        std::string bytes;
        int refusal; // 0: opens
    } cases[] = {
        {"good", good, 0},
        {"factor 9999", lyingFactor, err::InvalidArgument},
        {"header cut", cut(350), err::InputPastEnd},
        {"no room for a picture", cut(500), err::InputPastEnd},
    };
    for (const auto& c : cases) {
        const fs::path file = dir / (std::string(c.name) + ".pff");
        writeBytes(file, c.bytes);
        const CaptionResult result = readCaption(file);
        EXPECT_EQ(result.refusal ? result.refusal->number() : 0, c.refusal) << c.name;
        bool readerRefuses = false;
        try {
            readerRefuses = PffReader(file).info().pictureSize() < int64_t(kPictureHeadSize);
        } catch (const Failure&) {
            readerRefuses = true;
        }
        EXPECT_EQ(readerRefuses, result.refusal.has_value()) << c.name;
    }
}

// The search window lists one folder and a whole tree alike: the names as people read them,
// capitals among the small letters.
TEST_F(CaptionListingTest, OneFolderAndItsTreeListInOneOrderWithoutRegardToCase) {
    for (const char* folder : {"sub", "Sub2"})
        fs::create_directories(dir / folder);
    for (const char* name : {"b.pff", "A.pff", "a2.PFF", "sub/B.pff", "Sub2/a.pff"})
        writeBytes(dir / name, "x");
    const std::vector<fs::path> folder{dir / "A.pff", dir / "a2.PFF", dir / "b.pff"};
    EXPECT_EQ(listPffFiles(dir), folder);
    std::vector<fs::path> tree = folder;
    tree.insert(tree.end(), {dir / "sub/B.pff", dir / "Sub2/a.pff"});
    EXPECT_EQ(listPffFiles(dir, true), tree);
}
