#include "core/error.h"
#include "core/field_codec.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

TEST(FieldCodec, FactorZeroLeavesTheFieldUnchanged) {
    EXPECT_EQ(encrypt_tag("Summer 2026 \xE9t\xE9", 0), "Summer 2026 \xE9t\xE9");
    EXPECT_EQ(decrypt_date("12/08/26", 0), "12/08/26");
}

TEST(FieldCodec, FieldShiftRoundsTheFactorOverEleven) {
    EXPECT_EQ(fieldShift(0), 0);
    EXPECT_EQ(fieldShift(55), 5);
    EXPECT_EQ(fieldShift(60), 5);
    EXPECT_EQ(fieldShift(61), 6);
    EXPECT_EQ(fieldShift(1298), 118);
    EXPECT_EQ(fieldShift(-60), -5);
    EXPECT_EQ(encrypt_date("ABC", 60), "FGH");
    EXPECT_EQ(encrypt_date("ABC", 61), "GHI");
    EXPECT_EQ(decrypt_time("GHI", 61), "ABC");
}

TEST(FieldCodec, EveryMemberRoundTripsAndKeepsTheLength) {
    const std::string plain = "PICT0001.JPG 10:15:00 PM";
    for (int32_t factor : {0, 11, 605, 1298}) {
        const std::string s = scrambleField(plain, factor);
        EXPECT_EQ(s.size(), plain.size());
        EXPECT_EQ(s, encrypt_tag(plain, factor));
        EXPECT_EQ(s, encrypt_file_type(plain, factor));
        EXPECT_EQ(s, encrypt_date(plain, factor));
        EXPECT_EQ(s, encrypt_time(plain, factor));
        EXPECT_EQ(decrypt_file_type(s, factor), plain);
        EXPECT_EQ(decrypt_date(s, factor), plain);
        EXPECT_EQ(decrypt_time(s, factor), plain);
        const auto tag = decrypt_tag(s, factor);
        EXPECT_TRUE(tag.complete);
        EXPECT_EQ(tag.text, plain);
    }
    EXPECT_EQ(encrypt_tag("", 1298), "");
    EXPECT_EQ(decrypt_time("", 1298), "");
    EXPECT_TRUE(decrypt_tag("", 1298).complete);
}

TEST(FieldCodec, LargestShiftScramblesUpTo137AndFailsFrom138) {
    std::string upTo137;
    for (int c = 0; c <= 137; ++c)
        upTo137 += static_cast<char>(c);
    const std::string s = encrypt_tag(upTo137, 1298);
    EXPECT_EQ(static_cast<unsigned char>(s.back()), 255);
    EXPECT_EQ(decrypt_date(s, 1298), upTo137);
    EXPECT_EQ(failureNumber([] { encrypt_tag("ab\x8A", 1298); }), 5);
    EXPECT_EQ(failureNumber([] { scrambleField("\xFF", 11); }), 5);
    try {
        encrypt_tag("ab\xE9", 1298);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(f.detail().find("\xC3\xA9"), std::string::npos) << f.detail(); // names é
        EXPECT_NE(f.detail().find("position 3"), std::string::npos) << f.detail();
    }
}

TEST(FieldCodec, UnscramblingBelowZeroFailsExceptForTheTag) {
    const std::string stored = "xy\x05z"; // 5 is below the shift 6
    EXPECT_EQ(failureNumber([&] { decrypt_file_type(stored, 66); }), 5);
    EXPECT_EQ(failureNumber([&] { decrypt_date(stored, 66); }), 5);
    EXPECT_EQ(failureNumber([&] { decrypt_time(stored, 66); }), 5);
    const auto tag = decrypt_tag(stored, 66);
    EXPECT_FALSE(tag.complete);
    EXPECT_EQ(tag.text, "rs");
    EXPECT_TRUE(decrypt_tag("\x06", 66).complete); // exactly the shift gives code 0
}
