#include "core/error.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <stop_token>

using namespace pixa;
using namespace pixatest;

namespace {

class OwnerStoreTest : public TempDirTest {
protected:
    fs::path storePath() const { return dir / kStoreFileName; }
    OwnerStore store() const { return OwnerStore(storePath()); }

    std::optional<CurrentOwner> reg(std::string_view name, std::string_view ownerPass,
                                    std::string_view hint, int minute, int second) {
        return registerOwner(store(), padField(name, 20), padField(ownerPass, 8),
                             padField("viewer", 8), padField(hint, 40),
                             FixedClock(9, minute, second));
    }
    std::optional<CurrentOwner> login(std::string_view name, std::string_view ownerPass) {
        return loginOwner(store(), padField(name, 20), padField(ownerPass, 8));
    }
    std::optional<std::string> hint(std::string_view name) {
        return lookupHint(store(), padField(name, 20));
    }
};

std::string spaces(size_t n) {
    return std::string(n, ' ');
}

} // namespace

TEST_F(OwnerStoreTest, MissingAndEmptyStoresHoldNoOwners) {
    EXPECT_FALSE(store().exists());
    EXPECT_FALSE(store().ownersPresent());
    EXPECT_TRUE(store().readAll().empty());
    EXPECT_FALSE(login("ann", "pw").has_value());
    EXPECT_FALSE(hint("ann").has_value());
    store().createIfMissing();
    EXPECT_TRUE(store().exists());
    EXPECT_FALSE(store().ownersPresent());
    EXPECT_TRUE(store().readAll().empty());
    EXPECT_EQ(modeOf(storePath()), 0600u);
    store().createIfMissing(); // a second call leaves it alone
    EXPECT_EQ(fs::file_size(storePath()), 0u);
}

TEST_F(OwnerStoreTest, RecordAtAFullHourIsThePaddedTextsAndZeroFactor) {
    const auto owner = reg("ann", "secret", "my cat", 0, 0);
    ASSERT_TRUE(owner);
    EXPECT_EQ(readBytes(storePath()),
              "ann" + spaces(17) + "secret  " + "viewer  " + "my cat" + spaces(34) + "0000");
    EXPECT_EQ(owner->gbl_mul_fact, 0);
    EXPECT_EQ(owner->gbl_encr_name, "ann" + spaces(17));
    EXPECT_EQ(modeOf(storePath()), 0600u);
}

TEST_F(OwnerStoreTest, AppendsInOrderAndReadsInEightyByteSteps) {
    const auto ann = reg("ann", "pw1", "hint one", 10, 5);  // F 15
    const auto bob = reg("bob", "pw2", "hint two", 59, 59); // F 118
    ASSERT_TRUE(ann && bob);
    EXPECT_EQ(fs::file_size(storePath()), 160u);
    const auto records = store().readAll();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].factorText, "0165");
    EXPECT_EQ(records[0].factor, 165);
    EXPECT_EQ(decrypt_name(records[0].name, 165), "ann" + spaces(17));
    EXPECT_EQ(records[1].factorText, "1298");
    EXPECT_EQ(decrypt_hint(records[1].hint, 1298), "hint two" + spaces(32));
    EXPECT_EQ(records[1].name, bob->gbl_encr_name);
    EXPECT_EQ(records[1].viewerPass, bob->gbl_encr_viewer_pass);
    EXPECT_EQ(bob->gbl_mul_fact, 1298);
    EXPECT_EQ(bob->plainName(), "bob" + spaces(17));
    EXPECT_TRUE(store().ownersPresent());
    EXPECT_EQ(OwnerRecord::fromBytes(readBytes(storePath()).substr(80)).bytes(),
              readBytes(storePath()).substr(80));
}

TEST_F(OwnerStoreTest, TruncatedStoreIsReadAndTheNextAppendReplacesTheFragment) {
    ASSERT_TRUE(reg("ann", "pw1", "", 1, 1));
    const std::string first = readBytes(storePath());
    writeBytes(storePath(), first + first.substr(0, 37)); // a record cut short by a crash
    ASSERT_EQ(store().readAll().size(), 1u);
    EXPECT_TRUE(login("ann", "pw1").has_value());
    ASSERT_TRUE(reg("bob", "pw2", "", 2, 2));
    const std::string now = readBytes(storePath());
    ASSERT_EQ(now.size(), 160u);
    EXPECT_EQ(now.substr(0, 80), first);
    const auto records = store().readAll();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(decrypt_name(records[1].name, records[1].factor), "bob" + spaces(17));
    EXPECT_EQ(records[1].factorText, "0044");
}

TEST_F(OwnerStoreTest, StoreHoldingOnlyAFragmentHasNoOwnersPresent) {
    // Otherwise start-up would offer a login that nobody can pass.
    writeBytes(storePath(), std::string(79, 'x'));
    EXPECT_FALSE(store().ownersPresent());
    EXPECT_TRUE(store().readAll().empty());
    writeBytes(storePath(), std::string(80, 'x'));
    EXPECT_TRUE(store().ownersPresent());
}

TEST_F(OwnerStoreTest, AppendKeepsTheStorePrivateAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(reg("ann", "pw1", "", 1, 1));
    fs::permissions(storePath(), fs::perms(0644)); // e.g. copied in from elsewhere
    ASSERT_TRUE(reg("bob", "pw1", "", 1, 1));
    EXPECT_EQ(modeOf(storePath()), 0600u);
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{kStoreFileName});
}

TEST_F(OwnerStoreTest, DuplicateNamesAreRefusedByTheirStoredFormAndCaseSensitively) {
    ASSERT_TRUE(reg("Ann", "pw1", "", 3, 4));
    EXPECT_FALSE(reg("Ann", "other", "", 5, 6).has_value());
    EXPECT_EQ(fs::file_size(storePath()), 80u); // nothing written
    EXPECT_TRUE(reg("ann", "pw2", "", 5, 6).has_value());
    // "Ann " pads to 21 characters, but the 20 that would be stored are those of "Ann".
    EXPECT_FALSE(reg("Ann ", "pw3", "", 7, 8).has_value());
    const auto records = store().readAll();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(ownerNameTaken(records, padField("Ann", 20)));
    EXPECT_TRUE(ownerNameTaken(store(), padField("Ann", 20)));
    EXPECT_FALSE(ownerNameTaken(records, padField(" Ann", 20)));
    EXPECT_FALSE(ownerNameTaken(records, padField("ANN", 20)));
}

TEST_F(OwnerStoreTest, AFailedScrambleWritesNothing) {
    store().createIfMissing();
    try {
        reg("Ren\xE9", "pw", "", 59, 59); // é + 118 passes 255
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 5);
        EXPECT_NE(f.detail().find("name"), std::string::npos) << f.detail();
    }
    EXPECT_EQ(fs::file_size(storePath()), 0u);
}

// The text of each owner field that holds a refused character, and what the message may show.
struct RefusedText {
    const char* name;
    int field; // name, owner password, viewer password, hint
    std::string text;
    int second; // of the registration: the shift is 30 + second
    std::string shown;
};

void PrintTo(const RefusedText& c, std::ostream* os) {
    *os << c.name;
}

class RefusedTextTest : public OwnerStoreTest, public ::testing::WithParamInterface<RefusedText> {};

TEST_P(RefusedTextTest, WritesNothingAndNeverShowsAPasswordsCharacter) {
    const RefusedText& c = GetParam();
    std::string texts[4] = {"ann", "pw", "viewer", "hint"};
    texts[c.field] = c.text;
    std::string detail;
    try {
        registerOwner(store(), padField(texts[0], 20), padField(texts[1], 8), padField(texts[2], 8),
                      padField(texts[3], 40), FixedClock(9, 30, c.second));
        FAIL() << "registered";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::InvalidArgument);
        detail = f.detail();
    }
    EXPECT_NE(detail.find(c.shown), std::string::npos) << detail;
    if (c.field == 1 || c.field == 2) {
        EXPECT_EQ(detail.find(c.text.substr(1)), std::string::npos) << detail;
        EXPECT_EQ(detail.find("code"), std::string::npos) << detail;
    }
    EXPECT_FALSE(store().exists());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusedTextTest,
    ::testing::Values(RefusedText{"EscapeInTheName", 0, "a\x1b[1m", 0, "position 2"},
                      RefusedText{"TabInTheHint", 3, "my\tcat", 0, "hint holds a control"},
                      RefusedText{"BellInAPassword", 2, "v\x07", 0, "position 2"},
                      RefusedText{"UnassignedByteInAPassword", 1, "p\x81", 0, "position 2"},
                      RefusedText{"UnscramblableOwnerPassword", 1, "p\xE4", 59, "position 2"},
                      RefusedText{"UnscramblableViewerPassword", 2, "v\xFF", 1, "position 2"},
                      RefusedText{"UnscramblableNameIsNamed", 0, "Ren\xE9", 59, "(code 233)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnerStoreTest, StoreThatIsALinkIsWrittenThroughIt) {
    fs::create_directory(dir / "real");
    fs::create_symlink("real/owners.inf", storePath());
    ASSERT_TRUE(reg("ann", "pw1", "", 1, 1));
    ASSERT_TRUE(reg("bob", "pw2", "", 2, 2));
    EXPECT_TRUE(fs::is_symlink(storePath()));
    EXPECT_EQ(fs::file_size(dir / "real" / kStoreFileName), 160u);
    EXPECT_TRUE(login("bob", "pw2").has_value());
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{kStoreFileName});
}

TEST_F(OwnerStoreTest, StoreThatIsAFifoIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(storePath().c_str(), 0600), 0);
    EXPECT_FALSE(store().ownersPresent());
    EXPECT_EQ(failureNumber([&] { reg("ann", "pw1", "", 1, 1); }), err::PathFileAccess);
}

TEST_F(OwnerStoreTest, LoginNeedsExactNameAndPasswordAndTheLastMatchWins) {
    ASSERT_TRUE(reg("ann", "secret", "first hint", 0, 7));
    // An older store may hold a name twice: the later record wins.
    const auto again =
        encrypt_password(padField("ann", 20), padField("secret", 8), padField("viewer", 8),
                         padField("second hint", 40), FixedClock(9, 0, 9));
    store().append({again.encr_name, again.encr_owner_pass, again.encr_viewer_pass, again.encr_hint,
                    formatFactor(again.mul_fact * 11), again.mul_fact * 11});
    ASSERT_TRUE(reg("carl", "Secret8!", "", 30, 30));
    const auto ann = login("ann", "secret");
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->gbl_mul_fact, 99);
    EXPECT_EQ(ann->gbl_encr_name, store().readAll()[1].name);
    EXPECT_EQ(hint("ann"), "second hint" + spaces(29));
    EXPECT_TRUE(login("carl", "Secret8!").has_value());
    EXPECT_FALSE(login("carl", "secret8!").has_value()); // case differs
    EXPECT_FALSE(login("Carl", "Secret8!").has_value());
    EXPECT_FALSE(login("carl ", "Secret8!").has_value()); // padded past the width
    EXPECT_FALSE(login("carl", "Secret8!x").has_value()); // longer than the stored 8
    EXPECT_FALSE(login("dora", "secret").has_value());
    EXPECT_FALSE(hint("dora").has_value());
    EXPECT_FALSE(hint(" ann").has_value());
}

TEST_F(OwnerStoreTest, EmptyOrBlankOwnerPasswordIsNeverRegistered) {
    for (const char* password : {"", "   "}) {
        try {
            reg("eve", password, "hint", 2, 0);
            ADD_FAILURE() << "registered the password \"" << password << '"';
        } catch (const Failure& f) {
            EXPECT_EQ(f.kind(), FailureKind::RuleRefused);
            EXPECT_EQ(f.detail(), "The owner password is empty: a password is compulsory.");
        }
    }
    EXPECT_FALSE(store().ownersPresent());
}

TEST_F(OwnerStoreTest, StoreFactorIsReadAsItsLeadingNumber) {
    std::string record = "ann" + spaces(17) + "pw      " + "viewer  " + spaces(40) + "0x12";
    writeBytes(storePath(), record);
    const auto records = store().readAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].factor, 0); // "0x12": leading number 0
    EXPECT_TRUE(login("ann", "pw").has_value());
    // A damaged record whose name does not unscramble matches nothing and fails nothing.
    record.replace(76, 4, "1298");
    writeBytes(storePath(), record);
    EXPECT_FALSE(login("ann", "pw").has_value());
    EXPECT_FALSE(hint("ann").has_value());
}

TEST_F(OwnerStoreTest, DataFolderIsTheChosenOneElseTheEnvironmentsAndIsCreated) {
    EXPECT_EQ(resolveDataFolder(dir / "chosen" / "deep"), dir / "chosen" / "deep");
    EXPECT_TRUE(fs::is_directory(dir / "chosen" / "deep"));
    EXPECT_EQ(resolveDataFolder(dir / "not-made", false), dir / "not-made");
    EXPECT_FALSE(fs::exists(dir / "not-made"));
    ::setenv("PIXAMANTLER_HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(resolveDataFolder(), dir / "home");
    ::unsetenv("PIXAMANTLER_HOME");
    EXPECT_TRUE(fs::is_directory(dir / "home"));
    writeBytes(dir / "file", "x"); // a file where the folder should be
    EXPECT_THROW(resolveDataFolder(dir / "file" / "sub"), Failure);
    EXPECT_EQ(failureNumber([&] { resolveDataFolder(dir / "file", false); }), err::PathNotFound);
}

namespace {

// How the holder of the lock behaves while a registration waits for it.
enum class Holder { Stalls, ReleasesAfterThreeTries, StopAsked };

class LockWaitTest : public OwnerStoreTest, public ::testing::WithParamInterface<Holder> {};

} // namespace

TEST_P(LockWaitTest, WaitsInTriesAndGivesUpAfterItsLimit) {
    ASSERT_TRUE(reg("first", "pw", "", 1, 2));
    const std::string before = readBytes(storePath());
    // Another open file description of the store: its lock stands for another process's.
    int holder = ::open(storePath().c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    std::stop_source stop;
    int tries = 0;
    LockWait wait{std::chrono::milliseconds(300), [&](std::chrono::milliseconds) {
                      ++tries;
                      if (GetParam() == Holder::ReleasesAfterThreeTries && tries == 3) {
                          ::close(holder);
                          holder = -1;
                      }
                      if (GetParam() == Holder::StopAsked) stop.request_stop();
                  }};
    wait.stop = stop.get_token();
    // Long enough for the registration to give up while the holder stalls, however slow the
    // machine: the limit counts from the first try.
    if (GetParam() == Holder::ReleasesAfterThreeTries) wait.limit = std::chrono::seconds(60);
    const auto registered = [&] {
        return registerOwner(store(), padField("second", 20), padField("pw", 8),
                             padField("viewer", 8), padField("", 40), FixedClock(9, 3, 4), wait);
    };
    switch (GetParam()) {
    case Holder::Stalls: {
        try {
            registered();
            ADD_FAILURE() << "registered through a held lock";
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), err::PermissionDenied);
            EXPECT_NE(f.detail().find("another registration has held"), std::string::npos);
        }
        EXPECT_GT(tries, 1);
        break;
    }
    case Holder::ReleasesAfterThreeTries:
        EXPECT_TRUE(registered());
        EXPECT_EQ(tries, 3);
        break;
    case Holder::StopAsked:
        try {
            registered();
            ADD_FAILURE() << "registered through a held lock";
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), err::UserInterrupt);
        }
        EXPECT_EQ(tries, 1);
        break;
    }
    if (holder >= 0) ::close(holder);
    const std::string after = readBytes(storePath());
    EXPECT_EQ(after.size(),
              before.size() + (GetParam() == Holder::ReleasesAfterThreeTries ? kRecordSize : 0));
    EXPECT_EQ(after.compare(0, before.size(), before), 0);
}

static std::string holderName(const ::testing::TestParamInfo<Holder>& info) {
    static const char* const names[] = {"stalls", "releases", "stop_asked"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Holders, LockWaitTest,
                         ::testing::Values(Holder::Stalls, Holder::ReleasesAfterThreeTries,
                                           Holder::StopAsked),
                         holderName);
