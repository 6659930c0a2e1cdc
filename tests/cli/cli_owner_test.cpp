// The owner commands of the tool: registration rules, the owner list and the password hint.
#include "cli_harness.h"
#include "core/owner_codec.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pixa {
namespace {

namespace fs = std::filesystem;

struct RegisterCase {
    const char* label;
    std::string name;
    std::string ownerPass;
    std::string viewerPass;
    std::string hint;
    int status;
    std::vector<std::string> messages; // each must appear in what the tool printed
};

void PrintTo(const RegisterCase& c, std::ostream* os) {
    *os << c.label;
}

class CliRegisterTest : public CliTest, public ::testing::WithParamInterface<RegisterCase> {};

TEST_P(CliRegisterTest, AppliesEveryRuleAtOnce) {
    const RegisterCase& c = GetParam();
    registerOwner("Alice", "secret", "viewer");
    const CliResult r = run({"register", c.name, "--hint", c.hint},
                            {{"PIXAMANTLER_OWNER_PASSWORD", c.ownerPass},
                             {"PIXAMANTLER_VIEWER_PASSWORD", c.viewerPass}});
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const auto& message : c.messages) {
        EXPECT_NE((r.out + r.err).find(message), std::string::npos)
            << "missing: " << message << "\n"
            << r.err;
    }
    // A refused registration writes nothing.
    EXPECT_EQ(fs::file_size(storePath()), (c.status == 0 ? 2u : 1u) * kRecordSize);
}

const std::string kLongHint(41, 'h');

INSTANTIATE_TEST_SUITE_P(
    Rules, CliRegisterTest,
    ::testing::Values(
        RegisterCase{"Valid", "Bob", "pw", "view", "a hint", 0, {"Owner Bob registered."}},
        RegisterCase{"OtherCase", "alice", "pw", "view", "", 0, {}},
        RegisterCase{"EmptyOwnerPassword",
                     "Bob",
                     "",
                     "view",
                     "",
                     1,
                     {"The owner password is empty: a password is compulsory."}},
        RegisterCase{"EmptyViewerPassword",
                     "Bob",
                     "pw",
                     "",
                     "",
                     1,
                     {"The viewer password is empty: a password is compulsory."}},
        RegisterCase{"ControlCharacterInHint",
                     "Bob",
                     "pw",
                     "view",
                     "a\x1b[31mb",
                     1,
                     {"The password hint holds a control character (position 2)"}},
        RegisterCase{"LongViewerKeepsEight", "Bob", "pw", "viewer123", "", 0, {"first 8"}},
        RegisterCase{"EmptyName", "", "pw", "view", "", 1, {"Owner's name is compulsory."}},
        RegisterCase{"Taken",
                     "Alice",
                     "pw",
                     "view",
                     "",
                     1,
                     {"An owner with this name already exists.\nPlease enter another user name."}},
        RegisterCase{"SamePasswords",
                     "Bob",
                     "pw",
                     "pw",
                     "",
                     1,
                     {"Owner password and Viewer Password MUST be different"}},
        // Stored, the viewer password keeps 8 characters: it would equal the owner password.
        RegisterCase{"SameInFirstEight",
                     "Bob",
                     "abcdefgh",
                     "abcdefghX",
                     "",
                     1,
                     {"Owner password and Viewer Password MUST be different"}},
        RegisterCase{"AllAtOnce",
                     "",
                     "pw",
                     "pw",
                     kLongHint,
                     1,
                     {"Owner's name is compulsory.",
                      "Owner password and Viewer Password MUST be different",
                      "The password hint may hold at most 40 characters."}},
        // Texts that could never be typed back to log in or unlock.
        RegisterCase{"LongName",
                     std::string(21, 'n'),
                     "pw",
                     "view",
                     "",
                     1,
                     {"Owner's name may hold at most 20 characters."}},
        RegisterCase{"SpacedName", " Bob", "pw", "view", "", 1, {"must not begin or end"}},
        RegisterCase{"LongOwnerPassword",
                     "Bob",
                     "123456789",
                     "view",
                     "",
                     1,
                     {"The owner password may hold at most 8 characters."}},
        RegisterCase{"SpacedViewer", "Bob", "pw", "view ", "", 1, {"viewer password must not"}},
        RegisterCase{
            "OutsideCodePage", "Bob日", "pw", "view", "", 1, {"error 5: ", "\"日\" (U+65E5)"}},
        RegisterCase{"SecretNotNamed", "Bob", "p日", "view", "", 1, {"owner password holds"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CliTest, PromptsTwiceWithoutEchoAndChecksBothConfirmations) {
    const CliResult refused = runOnTerminal({"register", "Bob"}, {{"Owner password: ", "hidden1"},
                                                                  {"Re-enter", "hidden2"},
                                                                  {"Viewer password: ", "look1"},
                                                                  {"Re-enter", "look2"}});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Confirmation password does not match Owner Password\n"
                               "Confirmation password does not match Viewer Password"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find("hidden"), std::string::npos) << "echoed: " << refused.err;
    EXPECT_FALSE(fs::exists(storePath()) && fs::file_size(storePath()) > 0);

    const CliResult done = runOnTerminal({"register", "Bob"}, {{"Owner password: ", "pw"},
                                                               {"Re-enter", "pw"},
                                                               {"Viewer password: ", "look"},
                                                               {"Re-enter", "look"}});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(run({"owners"}).out, "Bob\n");
}

TEST_F(CliTest, OwnersAndHintReadWhatRegisterWrote) {
    EXPECT_EQ(run({"owners"}).out, ""); // no store yet
    registerOwner("Alice", "secret", "viewer", "the cat's name");
    registerOwner("Jo\u20AC\u0192", "pw", "view", "\u2026 and \u02C6"); // 0x80, 0x83, 0x85, 0x88
    const CliResult owners = run({"owners"});
    EXPECT_EQ(owners.status, 0);
    EXPECT_EQ(owners.out, "Alice\nJo\u20AC\u0192\n");
    EXPECT_EQ(run({"hint", "Jo\u20AC\u0192"}).out, "\u2026 and \u02C6\n");
    EXPECT_EQ(run({"hint", "Alice"}).out, "the cat's name\n");

    for (const std::string unknown : {"alice", "Alice ", "Nobody\u65E5"}) {
        const CliResult r = run({"hint", unknown});
        EXPECT_EQ(r.status, 1) << unknown;
        EXPECT_EQ(r.err, "Invalid user name\n") << unknown;
    }
    EXPECT_EQ(run({"hint", ""}).err, "Please enter user name \n");

    registerOwner("Hintless", "pw", "view");
    const CliResult none = run({"hint", "Hintless"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "The owner Hintless has no password hint.\n");
}

TEST_F(CliTest, HintAndLoginTakeTheLastOfTwoSameNames) {
    storeOwner("Sam", "pw", "first", 1, 2);
    // The core refuses a taken name; the older window let "Sam " through, stored the same.
    OwnerStore store(storePath());
    const FixedClock clock(10, 7, 8);
    const auto s = encrypt_password(padField("Sam", 20), padField("pw", 8), padField("second", 8),
                                    padField("later hint", 40), clock);
    store.append({s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.encr_hint,
                  formatFactor(s.mul_fact * 11), s.mul_fact * 11});
    // A torn record at the end is ignored by every reader.
    writeFile(storePath(), readFile(storePath()) + "torn");

    EXPECT_EQ(run({"owners"}).out, "Sam\nSam\n");
    EXPECT_EQ(run({"hint", "Sam"}).out, "later hint\n");
    writeFile(path("p.jpg"), jpegBytes(3000));
    ASSERT_EQ(run({"wrap", "--owner", "Sam", "p.jpg", "--output", "p.pff"},
                  {{"PIXAMANTLER_OWNER_PASSWORD", "pw"}})
                  .status,
              0);
    EXPECT_EQ(
        run({"unwrap", "p.pff", "--output", "q.jpg"}, {{"PIXAMANTLER_VIEWER_PASSWORD", "second"}})
            .status,
        0);
}

TEST_F(CliTest, PasswordFilesGiveTheirFirstLine) {
    writeFile(path("owner.txt"), "s3cret\r\nnot this\n");
    writeFile(path("viewer.txt"), "look");
    const CliResult r = run({"register", "Ann", "--owner-password-file", "owner.txt",
                             "--viewer-password-file", "viewer.txt"},
                            {{"PIXAMANTLER_OWNER_PASSWORD", "ignored"}});
    ASSERT_EQ(r.status, 0) << r.err;
    writeFile(path("p.bmp"), bitmapBytes(600));
    const std::vector<std::string> wrap = {"wrap", "--owner", "Ann", "p.bmp", "--output", "p.pff"};
    EXPECT_EQ(run(wrap, {{"PIXAMANTLER_OWNER_PASSWORD", "s3cret"}}).status, 0);
    EXPECT_EQ(run({"unwrap", "p.pff", "--output", "q.bmp", "--viewer-password-file", "viewer.txt"})
                  .status,
              0);
    const CliResult missing =
        run({"unwrap", "p.pff", "--output", "q.bmp", "--viewer-password-file", "none.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("error 53: File not found"), std::string::npos) << missing.err;
}

} // namespace
} // namespace pixa
