#include <gtest/gtest.h>

#include "base/outputpath.h"
#include "base/pathutil.h"

namespace {

TEST(JoinPath, OneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(JoinPath("maps/revised", "polygons.txt"), "maps/revised/polygons.txt");
    EXPECT_EQ(JoinPath("maps/revised/", "/polygons.txt"), "maps/revised/polygons.txt");
    EXPECT_EQ(JoinPath("maps/revised", "//x"), "maps/revised//x");
    EXPECT_EQ(JoinPath("maps/revised", ""), "maps/revised");
    EXPECT_EQ(JoinPath("", "polygons.txt"), "polygons.txt");
    // A backslash is an ordinary character of a name here.
    EXPECT_EQ(JoinPath("maps\\", "x"), "maps\\/x");
}

// Paths cross to QString and back byte for byte; UTF-8 reads as the text it is.
TEST(PathText, KeepsEveryByteAndReadsUtf8) {
    const struct {
        std::string bytes;
        QString text;
    } cases[] = {
        {"/maps/revised", "/maps/revised"},
        {"Sp\xc3\xa9l", QString::fromUtf8("Sp\xc3\xa9l")},
        {"Sp\xe9l", QString::fromUtf16(u"Sp\xdce9l")},
        {"\xf0\x9f\x97\xba", QString::fromUtf8("\xf0\x9f\x97\xba")},  // a pair of surrogates
        {"\xc3", QString::fromUtf16(u"\xdcc3")},                      // cut short
        {"\xc0\xaf", QString::fromUtf16(u"\xdcc0\xdcaf")},            // overlong
        {"\xed\xa0\x80", QString::fromUtf16(u"\xdced\xdca0\xdc80")},  // a surrogate
        {"\xff\xfe/x", QString::fromUtf16(u"\xdcff\xdcfe/x")},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(PathText(entry.bytes), entry.text) << entry.bytes;
        EXPECT_EQ(PathBytes(PathText(entry.bytes)), entry.bytes) << entry.bytes;
    }
}

// Messages show each byte that is not UTF-8 as an escape, and everything else as it is.
TEST(DisplayPath, ShowsStrayBytesAsEscapes) {
    EXPECT_EQ(DisplayPath(PathText("/TripleA/Sp\xe9l/\xff")), "/TripleA/Sp\\xE9l/\\xFF");
    EXPECT_EQ(DisplayPath(PathText("Sp\xc3\xa9l \xf0\x9f\x97\xba")),
              QString::fromUtf8("Sp\xc3\xa9l \xf0\x9f\x97\xba"));
}

TEST(MatchWildcard, PngPattern) {
    EXPECT_TRUE(MatchWildcard("*.png", "0_0.png"));
    EXPECT_TRUE(MatchWildcard("*.png", "3_07.PNG"));
    EXPECT_TRUE(MatchWildcard("*.png", "a.b.png"));
    EXPECT_TRUE(MatchWildcard("*.png", ".png"));
    EXPECT_FALSE(MatchWildcard("*.png", "0_0.pngx"));
    EXPECT_FALSE(MatchWildcard("*.png", "0_0.png.bak"));
    EXPECT_FALSE(MatchWildcard("*.png", "0_0png"));
    EXPECT_FALSE(MatchWildcard("*.png", "0_0.gif"));
}

TEST(MatchWildcard, OtherPatterns) {
    EXPECT_TRUE(MatchWildcard("?_?.png", "1_2.png"));
    EXPECT_FALSE(MatchWildcard("?_?.png", "10_2.png"));
    EXPECT_TRUE(MatchWildcard("*", ""));
    EXPECT_TRUE(MatchWildcard("", ""));
    EXPECT_FALSE(MatchWildcard("", "x"));
    EXPECT_TRUE(MatchWildcard("name.", "name"));
    EXPECT_TRUE(MatchWildcard("name.*", "name"));
}

}  // namespace
