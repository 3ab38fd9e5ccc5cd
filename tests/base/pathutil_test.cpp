#include <gtest/gtest.h>

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
