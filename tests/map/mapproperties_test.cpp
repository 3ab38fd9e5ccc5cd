#include "map/mapproperties.h"

#include "mapfoldertest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

namespace {

using Colours = std::map<std::string, std::uint32_t>;

class ReadMapPropertiesTest : public MapFolderTest {
protected:
    ReadMapPropertiesTest() {
        mapData.mapWidth = 111;
        mapData.mapHeight = 222;
    }
    bool Read(const std::string& text) {
        Write("map.properties", text);
        return ReadMapProperties(mapData);
    }
};

TEST_F(ReadMapPropertiesTest, ColoursInEitherCaseAreOpaque) {
    ASSERT_TRUE(Read("color.Germans=9C9C9C\ncolor.Neutral=dd5500\r\ncolor.Russians=DD5500\n"));
    EXPECT_EQ(
        mapData.PlayerColours,
        (Colours{{"Germans", 0xFF9C9C9Cu}, {"Neutral", 0xFFDD5500u}, {"Russians", 0xFFDD5500u}}));
}

TEST_F(ReadMapPropertiesTest, ColourValuesMustBeSixCharacters) {
    ASSERT_TRUE(
        Read("color.Five=12345\ncolor.Seven=1234567\ncolor.Letter=12345G\n"
             "color.Umlaut=12345\xC3\xA4\n"));
    // Reading stops at the first character that is not a digit.
    EXPECT_EQ(mapData.PlayerColours, (Colours{{"Letter", 0xFF012345u}, {"Umlaut", 0xFF012345u}}));
}

TEST_F(ReadMapPropertiesTest, BlanksAroundTheEqualsSignHaveNoEffect) {
    ASSERT_TRUE(
        Read("color.Germans =9C9C9C\ncolor.Italians= 5A5A5A\nmap.width =10\n"
             "map.height= 20\ncolor.A=B=C\nmap.width=1=2\n"));
    // The blanks become part of the player name, which matches no player, and of the
    // value, which is then seven characters long.
    EXPECT_EQ(mapData.PlayerColours, (Colours{{"Germans ", 0xFF9C9C9Cu}}));
    EXPECT_EQ(mapData.mapWidth, 111);
    EXPECT_EQ(mapData.mapHeight, 20);  // " 20" is read like atoi
}

TEST_F(ReadMapPropertiesTest, LaterLinesWinAndOtherKeysDoNothing) {
    ASSERT_TRUE(
        Read("map.width=3500\nmap.hasRelief=true\nmap.width=900\nmap.height=abc\n"
             "color.Germans=000001\ncolor.Germans=000002\n"));
    EXPECT_EQ(mapData.mapWidth, 900);
    EXPECT_EQ(mapData.mapHeight, 0);
    EXPECT_EQ(mapData.PlayerColours, (Colours{{"Germans", 0xFF000002u}}));
}

TEST_F(ReadMapPropertiesTest, TrimmingComesFirstAndCommentsAreSkipped) {
    ASSERT_TRUE(
        Read("  # color.Germans=000001\n \t color.Italians=000002 \r\n#map.width=5\n"
             "\n \nMap.width=7\n"));
    EXPECT_EQ(mapData.PlayerColours, (Colours{{"Italians", 0xFF000002u}}));
    EXPECT_EQ(mapData.mapWidth, 111);
}

TEST_F(ReadMapPropertiesTest, LastLineWithoutLineFeedIsIgnored) {
    ASSERT_TRUE(Read("map.height=2000\nmap.width=3500"));
    EXPECT_EQ(mapData.mapHeight, 2000);
    EXPECT_EQ(mapData.mapWidth, 111);
}

}  // namespace
