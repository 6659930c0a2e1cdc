// The tool's command line and output helpers: parsing, usage errors, JSON and terminal text.
#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/text_output.h"
#include "cli_harness.h"
#include "core/messages.h"

#include <gtest/gtest.h>

namespace pixa {
namespace {

const CliOption kOptions[] = {{"output", true}, {"json", false}};

CliArguments parse(const std::vector<std::string>& tokens) {
    return CliArguments::parse(tokens, kOptions);
}

TEST(CliArgumentsTest, AcceptsBothValueFormsFlagsAndPositionals) {
    const auto a = parse({"x.pff", "--output", "--odd name", "--json", "-", "--", "--json"});
    EXPECT_EQ(a.value("output"), "--odd name");
    EXPECT_TRUE(a.has("json"));
    EXPECT_EQ(a.positionals(), (std::vector<std::string>{"x.pff", "-", "--json"}));
    EXPECT_EQ(parse({"--output=a=b"}).value("output"), "a=b");
    EXPECT_EQ(parse({"--output="}).value("output"), "");
}

class CliArgumentsRefusalTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliArgumentsRefusalTest, IsAUsageError) {
    try {
        parse(GetParam());
        FAIL() << "accepted";
    } catch (const CliError& e) {
        EXPECT_EQ(e.exitStatus(), kExitUsage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, CliArgumentsRefusalTest,
    ::testing::Values(std::vector<std::string>{"--unknown"}, std::vector<std::string>{"-x"},
                      std::vector<std::string>{"--output"}, std::vector<std::string>{"--json=yes"},
                      std::vector<std::string>{"--json", "--json"},
                      std::vector<std::string>{"--output=a", "--output", "b"}));

struct Escape {
    std::string text;
    std::string json;
    std::string printable;
};

void PrintTo(const Escape& e, std::ostream* os) {
    *os << e.json;
}

class CliTextTest : public ::testing::TestWithParam<Escape> {};

TEST_P(CliTextTest, EscapesForJsonAndTerminal) {
    EXPECT_EQ(jsonString(GetParam().text), GetParam().json);
    EXPECT_EQ(printable(GetParam().text), GetParam().printable);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CliTextTest,
    ::testing::Values(Escape{"plain é€", "\"plain é€\"", "plain é€"},
                      Escape{"a\"b\\c/", "\"a\\\"b\\\\c/\"", "a\"b\\c/"},
                      Escape{"\t\n\r\b\f", "\"\\t\\n\\r\\b\\f\"", "?????"},
                      Escape{std::string("\x00\x01\x1b[2J\x7f", 7),
                             "\"\\u0000\\u0001\\u001b[2J\\u007f\"", "???[2J?"},
                      Escape{"\xC2\x9B"
                             "c",
                             "\"\\u009bc\"", "?c"},                          // a C1 control
                      Escape{"\xE2\x80\xA8", "\"\\u2028\"", "\xE2\x80\xA8"}, // line separator
                      Escape{"bad\xFF\xC3", "\"bad\\ufffd\\ufffd\"", "bad??"}));

TEST(CliTextTest, StoredFieldsLoseOnlyTrailingPaddingAndBecomeUtf8) {
    EXPECT_EQ(displayText("  caf\xE9 \x80   "), "  café €");
    EXPECT_EQ(displayText("    "), "");
    EXPECT_EQ(terminalLines(msg::corruptFile("/a/b.pff")),
              "/a/b.pff is corrupted.\n\nDelete this file or move this file to another folder so "
              "that yo will be able to see the rest of the files.");
}

struct UsageCase {
    std::vector<std::string> args;
    std::string message;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    for (const auto& arg : c.args)
        *os << arg << ' ';
}

class CliUsageTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, ExitsWithStatusTwoAndSaysWhy) {
    const CliResult r = run(GetParam().args);
    EXPECT_EQ(r.status, kExitUsage) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliUsageTest,
    ::testing::Values(
        UsageCase{{}, "no command given"}, UsageCase{{"frobnicate"}, "unknown command"},
        UsageCase{{"owners", "--bogus"}, "unknown option --bogus"},
        // A password is never an argument.
        UsageCase{{"wrap", "--owner-password", "pw"}, "unknown option --owner-password"},
        UsageCase{{"wrap", "a.bmp", "--output-dir", "."}, "wrap needs --owner NAME"},
        UsageCase{{"wrap", "--owner", "A", "--output", "x.pff", "--output-dir", ".", "a.bmp"},
                  "either --output FILE or --output-dir DIR"},
        UsageCase{{"wrap", "--owner", "A", "--output", "x.pff", "a.bmp", "b.bmp"}, "single SOURCE"},
        UsageCase{{"wrap", "--owner", "A", "--output-dir", "."}, "at least one SOURCE"},
        UsageCase{{"unwrap", "x.pff"}, "unwrap needs --output FILE"},
        UsageCase{{"hint"}, "exactly one owner name"},
        UsageCase{{"list", "--json"}, "exactly one FOLDER"},
        UsageCase{{"--data-dir", "x", "owners", "--data-dir", "y"}, "more than once"},
        // No terminal, no environment, no file: refused at once instead of waiting for input.
        UsageCase{{"register", "Alice"}, "PIXAMANTLER_OWNER_PASSWORD"}));

TEST_F(CliTest, HelpAndVersionPrintOnStandardOutput) {
    const CliResult version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("pixamantler-cli ") + PIXA_PROJECT_VERSION + "\n");
    for (const auto& args : {std::vector<std::string>{"--help"}, {"-h"}, {"list", "--help"}}) {
        const CliResult help = run(args);
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("unwrap FILE.pff --output FILE"), std::string::npos);
    }
}

} // namespace
} // namespace pixa
