#include "core/codepage.h"
#include "core/error.h"

#include <gtest/gtest.h>

using namespace pixa;

TEST(CodePage, AsciiAndWesternLettersMapOneByteEach) {
    EXPECT_EQ(toCodePage("Hello, 42!"), "Hello, 42!");
    EXPECT_EQ(toCodePage("caf\xC3\xA9"), "caf\xE9");       // é
    EXPECT_EQ(toCodePage("\xE2\x82\xAC"), "\x80");         // €
    EXPECT_EQ(toCodePage("\xC5\x93\xC5\xB8"), "\x9C\x9F"); // œ Ÿ
    EXPECT_EQ(fromCodePage("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(codePageByte(U'\u20AC'), 0x80);
    EXPECT_EQ(codePageByte(U'\u00FF'), 0xFF);
    EXPECT_EQ(codePageByte(U'\u03A9'), -1);
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(toCodePage(fromCodePage(all)), all);
}

TEST(CodePage, CharacterOutsideThePageIsAClearError) {
    try {
        toCodePage("ab\xCE\xA9"); // Ω
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 5);
        EXPECT_NE(f.detail().find("\xCE\xA9"), std::string::npos) << f.detail();
        EXPECT_NE(f.detail().find("U+03A9"), std::string::npos) << f.detail();
        EXPECT_NE(f.detail().find("position 3"), std::string::npos) << f.detail();
    }
}

TEST(CodePage, MalformedUtf8IsAnError) {
    EXPECT_THROW(toCodePage("a\xC3"), Failure);
    EXPECT_THROW(toCodePage("\xC0\xAF"), Failure);     // overlong "/"
    EXPECT_THROW(toCodePage("\xED\xA0\x80"), Failure); // surrogate
}

TEST(CodePage, LossyConversionReplacesEachBadCharacter) {
    EXPECT_EQ(toCodePageLossy("a\xCE\xA9"
                              "b\xF0\x9F\x98\x80"
                              "c"),
              "a?b?c");
    EXPECT_EQ(toCodePageLossy("\xC3\xA9"), "\xE9");
}
