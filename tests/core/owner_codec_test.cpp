#include "core/error.h"
#include "core/owner_codec.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

namespace {
std::string spaces(size_t n) {
    return std::string(n, ' ');
}

ScrambledOwner scrambleAt(int minute, int second, std::string_view name = "ann",
                          std::string_view ownerPass = "secret",
                          std::string_view viewerPass = "view", std::string_view hint = "my cat") {
    return encrypt_password(padField(name, 20), padField(ownerPass, 8), padField(viewerPass, 8),
                            padField(hint, 40), FixedClock(17, minute, second));
}
} // namespace

TEST(PaddingRule, CountsTheTrimmedLengthAndKeepsSurroundingSpaces) {
    EXPECT_EQ(padField("ab", 20), "ab" + spaces(18));
    EXPECT_EQ(padField(" ab", 20), " ab" + spaces(18)); // 21 characters
    EXPECT_EQ(padField("abc ", 8), "abc " + spaces(5)); // 9 characters
    EXPECT_EQ(padField("", 8), spaces(8));
    EXPECT_EQ(padField("   ", 8), spaces(11));          // trimmed length 0
    EXPECT_EQ(padField("abcdefghij", 8), "abcdefghij"); // long texts stay whole
    EXPECT_EQ(padField("abcdefgh", 8), "abcdefgh");
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
}

TEST(OwnerCodec, FullHourDrawsShiftZeroAndStoresTextsUnchanged) {
    const auto s = scrambleAt(0, 0);
    EXPECT_EQ(s.mul_fact, 0);
    EXPECT_EQ(s.encr_name, "ann" + spaces(17));
    EXPECT_EQ(s.encr_owner_pass, "secret  ");
    EXPECT_EQ(s.encr_viewer_pass, "view    ");
    EXPECT_EQ(s.encr_hint, "my cat" + spaces(34));
    EXPECT_EQ(formatFactor(s.mul_fact * 11), "0000");
}

TEST(OwnerCodec, ShiftIsMinutePlusSecond) {
    EXPECT_EQ(scrambleAt(12, 30).mul_fact, 42);
    const auto s = scrambleAt(0, 5);
    EXPECT_EQ(s.encr_name, "fss" + std::string(17, ' ' + 5));
    EXPECT_EQ(formatFactor(55), "0055");
}

TEST(OwnerCodec, LargestShiftAt5959ScramblesEveryPrintableAscii) {
    std::string printable;
    for (int c = 32; c <= 126; ++c)
        printable += static_cast<char>(c);
    const auto s = scrambleAt(59, 59, printable.substr(0, 20), printable.substr(20, 8),
                              printable.substr(28, 8), printable.substr(36, 40));
    EXPECT_EQ(s.mul_fact, 118);
    EXPECT_EQ(formatFactor(s.mul_fact * 11), "1298");
    for (const auto* field : {&s.encr_name, &s.encr_owner_pass, &s.encr_viewer_pass, &s.encr_hint})
        for (char c : *field)
            EXPECT_LE(static_cast<unsigned char>(c), 244);
    EXPECT_EQ(decrypt_hint(s.encr_hint, 1298), printable.substr(36, 40));
    const auto last = scrambleAt(59, 59, "~");
    EXPECT_EQ(static_cast<unsigned char>(last.encr_name[0]), 126 + 118);
}

TEST(OwnerCodec, OnlyTheFirstWidthCharactersAreStored) {
    const auto s = scrambleAt(1, 2, " ann", "longpassword", "viewerpassword");
    EXPECT_EQ(s.encr_name.size(), 20u);
    EXPECT_EQ(decrypt_name(s.encr_name, 33), " ann" + spaces(16));
    EXPECT_EQ(decrypt_password(s.encr_owner_pass, 33), "longpass");
    EXPECT_EQ(decrypt_password(s.encr_viewer_pass, 33), "viewerpa");
    EXPECT_EQ(decrypt_name(s.encr_name + "extra", 33), " ann" + spaces(16));
}

TEST(OwnerCodec, RefusesShortTextsAndUnscramblableBytes) {
    const FixedClock clock(0, 59, 59);
    EXPECT_EQ(
        failureNumber([&] { encrypt_password("short", spaces(8), spaces(8), spaces(40), clock); }),
        5);
    EXPECT_EQ(failureNumber([] { scrambleAt(59, 59, "Ren\xE9"); }), 5); // é + 118 > 255
    EXPECT_EQ(scrambleAt(0, 1, "Ren\xE9").mul_fact, 1);                 // fine with a small shift
    EXPECT_EQ(failureNumber([] { decrypt_name("short", 0); }), 5);
    EXPECT_EQ(failureNumber([] { decrypt_password(std::string(8, '\x05'), 66); }), 5);
}

TEST(FactorText, StoreReadsTheLeadingNumber) {
    EXPECT_EQ(parseLeadingNumber("0000"), 0);
    EXPECT_EQ(parseLeadingNumber("0042"), 42);
    EXPECT_EQ(parseLeadingNumber("1298"), 1298);
    EXPECT_EQ(parseLeadingNumber("12x4"), 12);
    EXPECT_EQ(parseLeadingNumber(" 1 2"), 12);
    EXPECT_EQ(parseLeadingNumber("ab12"), 0);
    EXPECT_EQ(parseLeadingNumber("    "), 0);
    EXPECT_EQ(parseLeadingNumber("-055"), -55);
    EXPECT_EQ(parseLeadingNumber("12.5"), 12); // rounded half to even
    EXPECT_EQ(parseLeadingNumber("13.5"), 14);
}

TEST(FactorText, FileFactorMustBeWhollyANumber) {
    EXPECT_EQ(parseWholeNumber("0000"), 0);
    EXPECT_EQ(parseWholeNumber("0605"), 605);
    EXPECT_EQ(parseWholeNumber(" 60 "), 60);
    EXPECT_EQ(parseWholeNumber("-011"), -11);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("12x4"); }), 13);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("ab12"); }), 13);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("1 2"); }), 13);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("    "); }), 13);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("\xCF\xCF\xCF\xCF"); }), 13);
    EXPECT_EQ(failureNumber([] { parseWholeNumber("9e99"); }), 6);
}
