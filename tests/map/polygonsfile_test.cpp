#include "map/polygonsfile.h"

#include "mapfoldertest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Points = std::vector<MapPoint>;
using Ranges = std::vector<PolygonRange>;

struct PointRead {
    bool accepted;
    MapPoint point;
    qsizetype position;
};

PointRead ReadPointAt(QStringView text) {
    PointRead read{false, {-1, -1}, 0};
    read.accepted = ReadPoint(text, read.position, read.point.x, read.point.y);
    return read;
}

TEST(ReadPoint, NumbersAreReadLikeAtoiBetweenTheParentheses) {
    PointRead read = ReadPointAt(u"( 12 , 34 ) rest");
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.point, (MapPoint{12, 34}));
    EXPECT_EQ(read.position, 10);  // on the ")"
    EXPECT_EQ(ReadPointAt(u"(12,abc)").point, (MapPoint{12, 0}));
    EXPECT_EQ(ReadPointAt(u"(-5,\n+7)").point, (MapPoint{-5, 7}));  // a line feed is white space
    EXPECT_FALSE(ReadPointAt(u"()").accepted);
    EXPECT_FALSE(ReadPointAt(u"(12)").accepted);
    read = ReadPointAt(u"(1,2,3)x");
    EXPECT_FALSE(read.accepted);
    EXPECT_EQ(read.position, 6);
    read = ReadPointAt(u"(1,2");  // no ")": read up to the end of the text
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.position, 4);
}

class ReadPolygonsTest : public MapFolderTest {
protected:
    bool Read(const std::string& text) {
        Write("polygons.txt", text);
        return ReadPolygons(mapData);
    }
};

TEST_F(ReadPolygonsTest, TwoPolygonsOnOneLine) {
    ASSERT_TRUE(Read("Germany < (1,1) (2,1) (2,2) > < (5,5)(6,5)(6,6)>\n"));
    const Territory& germany = TerritoryNamed("Germany");
    EXPECT_EQ(germany.points.size(), 6u);
    EXPECT_EQ(germany.points[3], (MapPoint{5, 5}));
    EXPECT_EQ(germany.polygons, (Ranges{{0, 3}, {3, 6}}));
    EXPECT_EQ(germany.outlineCache.size(), 2u);
    EXPECT_FALSE(germany.isSea);
    EXPECT_FALSE(germany.isCapital);
    EXPECT_TRUE(germany.placements.empty());
}

TEST_F(ReadPolygonsTest, MalformedPointsDoNotShiftTheRanges) {
    ASSERT_TRUE(Read("Italy < (1,1) (7,8,9) (2,1) (2,2) > < (,) (3) (5,5) (6,5) >\n"));
    const Territory& italy = TerritoryNamed("Italy");
    EXPECT_EQ(italy.points, (Points{{1, 1}, {2, 1}, {2, 2}, {0, 0}, {5, 5}, {6, 5}}));
    EXPECT_EQ(italy.polygons, (Ranges{{0, 3}, {3, 6}}));
}

TEST_F(ReadPolygonsTest, PointsAfterTheLastCloseBelongToNoPolygon) {
    ASSERT_TRUE(Read("Spain (1,1)(2,2)(3,3)> junk 9 (4,4)\r\n"));
    // No "<" on the line: the name runs to the end of the text.
    EXPECT_TRUE(mapData.territories.empty());
    ASSERT_TRUE(Read("Spain < (1,1)(2,2)(3,3)> junk 9 (4,4)\r\n"));
    const Territory& spain = TerritoryNamed("Spain");
    EXPECT_EQ(spain.points.size(), 4u);
    EXPECT_EQ(spain.polygons, (Ranges{{0, 3}}));
}

TEST_F(ReadPolygonsTest, LastLineWithoutLineFeedIsNotStored) {
    ASSERT_TRUE(Read("\n\nA < (1,1)(2,2)(3,3)>\r\nB < (1,1)(2,2)(3,3)>"));
    EXPECT_EQ(mapData.territories.size(), 1u);
    EXPECT_EQ(mapData.territories.count("A"), 1u);
}

TEST_F(ReadPolygonsTest, MissingCloseAtTheEndFailsAndKeepsEarlierLines) {
    EXPECT_FALSE(Read("A < (1,1)(2,2)(3,3)>\nB < (1,1)(2,2)(3,3"));
    EXPECT_EQ(mapData.territories.count("A"), 1u);
    EXPECT_EQ(mapData.territories.count("B"), 0u);
}

TEST_F(ReadPolygonsTest, PointAcrossALineFeedKeepsTheLineGoing) {
    ASSERT_TRUE(Read("A < (1,\n2)(3,3)>\nB < (4,4)>\n"));
    EXPECT_EQ(TerritoryNamed("A").points, (Points{{1, 2}, {3, 3}}));
    EXPECT_EQ(mapData.territories.count("B"), 1u);
}

TEST_F(ReadPolygonsTest, LineWithoutLessThanRunsIntoTheNextName) {
    ASSERT_TRUE(Read("Alpha (1,1)(2,2)>\nBeta < (3,3)>\n"));
    ASSERT_EQ(mapData.territories.size(), 1u);
    EXPECT_EQ(mapData.territories.begin()->first, "Alpha (1,1)(2,2)>\nBeta");
}

TEST_F(ReadPolygonsTest, EmptyNameStopsReadingWithSuccess) {
    ASSERT_TRUE(Read("A < (1,1)>\n < (2,2)>\nB < (3,3)>\n"));
    EXPECT_EQ(mapData.territories.size(), 1u);
    ASSERT_TRUE(Read("\r\n\n  \n"));
    ASSERT_TRUE(Read(""));
}

TEST_F(ReadPolygonsTest, LastLineWithANameWins) {
    ASSERT_TRUE(Read("A < (1,1)(2,2)(3,3)> <(4,4)>\nA < (9,9)>\n"));
    const Territory& a = TerritoryNamed("A");
    EXPECT_EQ(a.points, (Points{{9, 9}}));
    EXPECT_EQ(a.polygons, (Ranges{{0, 1}}));
}

TEST_F(ReadPolygonsTest, SeaZonesByExactCaseAnywhereInTheName) {
    ASSERT_TRUE(Read("North Sea Zone 5 < (1,1)>\nsea zone 6 < (1,1)>\n28 Sea Zone < (1,1)>\n"));
    EXPECT_TRUE(TerritoryNamed("North Sea Zone 5").isSea);
    EXPECT_TRUE(TerritoryNamed("28 Sea Zone").isSea);
    EXPECT_FALSE(TerritoryNamed("sea zone 6").isSea);
}

}  // namespace
