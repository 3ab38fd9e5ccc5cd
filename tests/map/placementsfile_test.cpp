#include "map/placementsfile.h"

#include "mapfoldertest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Points = std::vector<MapPoint>;

class ReadPlacementsTest : public MapFolderTest {
protected:
    ReadPlacementsTest() { AddTerritories({"Germany", "Italy", "Japan"}); }
    bool Read(const std::string& text) {
        Write("place.txt", text);
        return ReadPlacements(mapData);
    }
};

TEST_F(ReadPlacementsTest, PointsInFileOrderAndRepeatedNamesAppend) {
    ASSERT_TRUE(
        Read("Germany (1,1) (2,2)  (3,3)(4,4) x (5,5)\r\n\r\nItaly (7,7)\nGermany (6,6)\n"));
    EXPECT_EQ(TerritoryNamed("Germany").placements,
              (Points{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}));
    EXPECT_EQ(TerritoryNamed("Italy").placements, (Points{{7, 7}}));
    EXPECT_TRUE(TerritoryNamed("Japan").placements.empty());
}

TEST_F(ReadPlacementsTest, LastLineWithoutLineFeedCounts) {
    ASSERT_TRUE(Read("Italy (1,1)\nJapan (2,2) (3,3)"));
    EXPECT_EQ(TerritoryNamed("Japan").placements, (Points{{2, 2}, {3, 3}}));
}

TEST_F(ReadPlacementsTest, UnknownNamesAndMalformedPointsAreDropped) {
    ASSERT_TRUE(Read("Atlantis (1,1)\nItaly (1) (2,2,2) (3,3)\n"));
    EXPECT_EQ(mapData.territories.count("Atlantis"), 0u);
    EXPECT_EQ(TerritoryNamed("Italy").placements, (Points{{3, 3}}));
}

TEST_F(ReadPlacementsTest, NameWithoutPointRunsIntoTheNextName) {
    ASSERT_TRUE(Read("Italy\nJapan (2,2)\n"));
    EXPECT_TRUE(TerritoryNamed("Italy").placements.empty());
    EXPECT_TRUE(TerritoryNamed("Japan").placements.empty());
}

TEST_F(ReadPlacementsTest, MissingCloseAtTheEndFailsAndKeepsEarlierPoints) {
    EXPECT_FALSE(Read("Italy (1,1)\nJapan (2,2) (3,3"));
    EXPECT_EQ(TerritoryNamed("Italy").placements, (Points{{1, 1}}));
    // The unclosed point was read up to the end of the text and is kept too.
    EXPECT_EQ(TerritoryNamed("Japan").placements, (Points{{2, 2}, {3, 3}}));
}

struct NamedPointRead {
    bool accepted;
    std::string name;
    MapPoint point;
};

NamedPointRead ReadLine(QStringView text) {
    NamedPointRead read{false, "untouched", {-1, -1}};
    qsizetype position = 0;
    read.accepted = ReadNamedPoint(text, position, read.name, read.point.x, read.point.y);
    return read;
}

TEST(ReadNamedPoint, BlanksAroundTheNameAndTheNumbersAreAllowed) {
    NamedPointRead read = ReadLine(u" \tUnited Kingdom \t( 709 ,\t292)\r\n");
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.name, "United Kingdom");
    EXPECT_EQ(read.point, (MapPoint{709, 292}));
    read = ReadLine(u"Germany(981,532)   \n");  // trailing blanks go with the line's trim
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.point, (MapPoint{981, 532}));
}

TEST(ReadNamedPoint, LinesThatDoNotFitAreSkipped) {
    EXPECT_FALSE(ReadLine(u"Germany (981,532) x\n").accepted);  // text after ")"
    EXPECT_FALSE(ReadLine(u"Rome (Italy) (1,2)\n").accepted);   // "(" in the name
    EXPECT_FALSE(ReadLine(u"Germany (1,2,3)\n").accepted);      // three numbers
    EXPECT_FALSE(ReadLine(u"Germany 1,2)\n").accepted);         // no "("
    EXPECT_FALSE(ReadLine(u"\n").accepted);                     // empty line
    EXPECT_FALSE(ReadLine(u"Germany (981,532)").accepted);      // no line feed
}

class ReadCapitalsTest : public MapFolderTest {
protected:
    ReadCapitalsTest() { AddTerritories({"Germany", "Italy", "Japan"}); }
};

TEST_F(ReadCapitalsTest, KnownTerritoriesBecomeCapitalsAndTheLastLineWins) {
    Write("capitols.txt",
          "Atlantis (5,5)\nGermany (1,1)\nbroken\n\nItaly (2,2)\nGermany (3,3)\nJapan (4,4)");
    EXPECT_TRUE(ReadCapitals(mapData));
    EXPECT_EQ(mapData.territories.count("Atlantis"), 0u);
    EXPECT_TRUE(TerritoryNamed("Germany").isCapital);
    EXPECT_EQ(TerritoryNamed("Germany").capital, (MapPoint{3, 3}));
    EXPECT_EQ(TerritoryNamed("Italy").capital, (MapPoint{2, 2}));
    EXPECT_FALSE(TerritoryNamed("Japan").isCapital);  // last line without line feed
}

TEST_F(ReadCapitalsTest, MissingFileFailsAndChangesNothing) {
    EXPECT_FALSE(ReadCapitals(mapData));
    EXPECT_FALSE(TerritoryNamed("Germany").isCapital);
}

}  // namespace
