#include "map/mapload.h"

#include "mapfoldertest.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Points = std::vector<MapPoint>;

// The hand-made map folder of three territories, copied so that tests can change it.
class LoadMapDataTest : public MapFolderTest {
protected:
    LoadMapDataTest() {
        fs::copy(fs::path(QUELM_TEST_DATA_DIR) / "map" / "small", folder.Path());
        mapData.tileWidth = 50;
        mapData.tileHeight = 50;
    }

    void WriteTiles(const std::string& set, std::initializer_list<const char*> names) {
        QImage image(mapData.tileWidth, mapData.tileHeight, QImage::Format_ARGB32);
        image.fill(Qt::white);
        folder.MakeFolder(set);
        for (const char* name : names) {
            ASSERT_TRUE(image.save(QString::fromStdString(folder.File(set + "/" + name)), "PNG"));
        }
    }

    std::vector<std::string> TileFiles() const {
        std::vector<std::string> files;
        for (const Ref<Tile>& tile : mapData.tiles) {
            files.push_back(tile ? tile->Path().substr(folder.Path().size() + 1) : "");
        }
        return files;
    }
};

TEST_F(LoadMapDataTest, FolderWithoutTilesLoadsEveryFile) {
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_EQ(mapData.columns, 0);
    EXPECT_TRUE(mapData.tiles.empty());
    EXPECT_EQ(mapData.mapWidth, 130);
    EXPECT_EQ(mapData.mapHeight, 95);
    EXPECT_FALSE(mapData.reliefLoaded);

    std::vector<std::string> names;
    for (const auto& entry : mapData.territories) names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Sea Zone 1", "beta"}));  // no Gamma

    const Territory& alpha = TerritoryNamed("Alpha");
    EXPECT_EQ(alpha.placements, (Points{{20, 20}, {30, 30}}));
    EXPECT_TRUE(alpha.isCapital);
    EXPECT_EQ(alpha.capital, (MapPoint{40, 40}));
    EXPECT_TRUE(TerritoryNamed("Sea Zone 1").isSea);
    EXPECT_EQ(TerritoryNamed("beta").polygons.size(), 2u);
    EXPECT_EQ(mapData.PlayerColours.at("Blues"), 0xFF0000CCu);
}

TEST_F(LoadMapDataTest, EachRequiredFileFailsTheLoad) {
    for (const char* name : {"polygons.txt", "place.txt", "map.properties"}) {
        TemporaryFolder copy;
        fs::copy(folder.Path(), copy.Path());
        fs::remove(fs::path(copy.Path()) / name);
        MapData data;
        data.mapFolder = copy.Path();
        EXPECT_FALSE(LoadMapData(data)) << name;
    }
    fs::remove(folder.File("capitols.txt"));
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_FALSE(TerritoryNamed("Alpha").isCapital);
}

TEST_F(LoadMapDataTest, FailureKeepsWhatWasReadUntilTheNextLoad) {
    ASSERT_TRUE(LoadMapData(mapData));
    Write("place.txt", "Alpha (1,1)\nbeta (2,2) (3,");
    EXPECT_FALSE(LoadMapData(mapData));
    EXPECT_EQ(TerritoryNamed("Alpha").placements, (Points{{1, 1}}));
    EXPECT_TRUE(mapData.PlayerColours.empty());  // emptied, and not read again
    EXPECT_FALSE(TerritoryNamed("Alpha").isCapital);
}

TEST_F(LoadMapDataTest, TileGridGivesTheMapSizeWhenThePropertiesDoNot) {
    Write("map.properties", "color.Reds=CC0000\n");
    WriteTiles("baseTiles", {"0_0.png", "1_1.png", "2_1.png"});
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_EQ(mapData.mapWidth, 3 * 50 - 85);
    EXPECT_EQ(mapData.mapHeight, 2 * 50 - 49);
}

TEST_F(LoadMapDataTest, ReliefIsReadOnlyWhenAskedAndItsMarkStays) {
    WriteTiles("baseTiles", {"0_0.png", "1_0.png", "0_1.png", "1_1.png"});
    WriteTiles("reliefTiles", {"1_1.png"});
    mapData.useRelief = false;
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_FALSE(mapData.reliefLoaded);
    EXPECT_EQ(TileFiles()[3], "baseTiles/1_1.png");

    mapData.useRelief = true;
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_TRUE(mapData.reliefLoaded);
    EXPECT_EQ(TileFiles(), (std::vector<std::string>{"baseTiles/0_0.png", "baseTiles/1_0.png",
                                                     "baseTiles/0_1.png", "reliefTiles/1_1.png"}));

    // Without any tile set the grid is emptied but its size and the relief mark stay.
    fs::remove_all(folder.File("baseTiles"));
    fs::remove_all(folder.File("reliefTiles"));
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_TRUE(mapData.tiles.empty());
    EXPECT_EQ(mapData.columns, 2);
    EXPECT_EQ(mapData.rows, 2);
    EXPECT_TRUE(mapData.reliefLoaded);
}

TEST_F(LoadMapDataTest, SecondLoadGivesTheSameData) {
    WriteTiles("baseTiles", {"0_0.png", "1_1.png"});
    ASSERT_TRUE(LoadMapData(mapData));
    const MapData first = mapData;
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_EQ(mapData.mapWidth, first.mapWidth);
    EXPECT_EQ(mapData.mapHeight, first.mapHeight);
    EXPECT_EQ(mapData.PlayerColours, first.PlayerColours);
    ASSERT_EQ(mapData.territories.size(), first.territories.size());
    for (const auto& [name, territory] : first.territories) {
        const Territory& again = TerritoryNamed(name);
        EXPECT_EQ(again.points, territory.points) << name;
        EXPECT_EQ(again.polygons, territory.polygons) << name;
        EXPECT_EQ(again.placements, territory.placements) << name;
        EXPECT_EQ(again.capital, territory.capital) << name;
    }
    ASSERT_EQ(mapData.tiles.size(), first.tiles.size());
    EXPECT_EQ(mapData.tiles[3]->Path(), first.tiles[3]->Path());
}

// Moves the file's modification time on, as a later edit would, whatever the clock's step.
void MarkEdited(const std::string& path) {
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
}

std::int64_t ChangeTimeNanoseconds(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return std::int64_t{status.st_ctim.tv_sec} * 1000000000 + status.st_ctim.tv_nsec;
}

// Rewrites the file in place with text of the same size and sets its modification time back,
// as a copy that keeps times would: only the status change time tells. It is taken from a
// coarse clock, so the times are set again until it has moved on.
void RewriteKeepingSizeAndTime(const std::string& path, const std::string& text) {
    ASSERT_EQ(fs::file_size(path), text.size());
    const fs::file_time_type modified = fs::last_write_time(path);
    const std::int64_t changed = ChangeTimeNanoseconds(path);
    std::ofstream(path, std::ios::binary) << text;
    fs::last_write_time(path, modified);
    for (int tries = 0; ChangeTimeNanoseconds(path) == changed && tries < 200; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fs::last_write_time(path, modified);
    }
    ASSERT_NE(ChangeTimeNanoseconds(path), changed);
    ASSERT_EQ(fs::last_write_time(path), modified);
}

TEST_F(LoadMapDataTest, ALoadReusesWhatIsUnchangedOnDiskAndReadsWhatChanged) {
    WriteTiles("baseTiles", {"0_0.png", "1_0.png", "0_1.png", "1_1.png"});
    ASSERT_TRUE(LoadMapData(mapData));
    const std::vector<Ref<Tile>> firstTiles = mapData.tiles;
    // The renderer builds outlines in the territories; unchanged files keep them.
    mapData.territories.at("Alpha").outlineCache.assign(1, {QPointF(1, 2)});

    ASSERT_TRUE(LoadMapData(mapData));
    for (std::size_t cell = 0; cell < firstTiles.size(); ++cell) {
        EXPECT_EQ(mapData.tiles[cell].Get(), firstTiles[cell].Get()) << cell;
    }
    EXPECT_EQ(TerritoryNamed("Alpha").outlineCache.size(), 1u);
    EXPECT_EQ(mapData.mapWidth, 130);

    // A tile rewritten in place is decoded again; the others stay.
    QImage red(mapData.tileWidth, mapData.tileHeight, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(folder.File("baseTiles/1_1.png")), "PNG"));
    MarkEdited(folder.File("baseTiles/1_1.png"));
    fs::remove(folder.File("baseTiles/1_0.png"));
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_EQ(mapData.tiles[0].Get(), firstTiles[0].Get());
    EXPECT_FALSE(mapData.tiles[1]);
    ASSERT_TRUE(mapData.tiles[3]);
    EXPECT_EQ(mapData.tiles[3]->Image().pixel(0, 0), QColor(Qt::red).rgba());
    EXPECT_EQ(TerritoryNamed("Alpha").outlineCache.size(), 1u);

    // Each text file changed, removed or added reads all of them again.
    struct Change {
        const char* file;
        const char* text;  // nullptr removes the file
        std::function<void(const MapData&)> check;
        bool keepSizeAndTime = false;  // rewritten at the same size, modification time kept
    };
    const Change changes[] = {
        {"map.properties", "color.Reds=00CC00\nmap.width=131\n",
         [](const MapData& data) {
             EXPECT_EQ(data.PlayerColours.at("Reds"), 0xFF00CC00u);
             EXPECT_EQ(data.mapWidth, 131);
             EXPECT_EQ(data.mapHeight, 2 * 50 - 49);  // the grid's, over what it preset
         }},
        {"map.properties", "color.Reds=0000CC\nmap.width=131\n",
         [](const MapData& data) { EXPECT_EQ(data.PlayerColours.at("Reds"), 0xFF0000CCu); }, true},
        {"capitols.txt", nullptr,
         [](const MapData& data) { EXPECT_FALSE(data.territories.at("Alpha").isCapital); }},
        {"capitols.txt", "beta (1,2)\n",
         [](const MapData& data) { EXPECT_TRUE(data.territories.at("beta").isCapital); }},
        {"place.txt", "beta (7,7)\n",
         [](const MapData& data) {
             EXPECT_EQ(data.territories.at("beta").placements, (Points{{7, 7}}));
             EXPECT_TRUE(data.territories.at("Alpha").placements.empty());
         }},
        {"polygons.txt", "Delta < (1,1) (2,2) (1,2) >\n",
         [](const MapData& data) {
             ASSERT_EQ(data.territories.size(), 1u);
             EXPECT_EQ(data.territories.begin()->first, "Delta");
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.file);
        if (change.keepSizeAndTime) {
            ASSERT_NO_FATAL_FAILURE(
                RewriteKeepingSizeAndTime(folder.File(change.file), change.text));
        } else if (change.text) {
            Write(change.file, change.text);
            MarkEdited(folder.File(change.file));
        } else {
            fs::remove(folder.File(change.file));
        }
        ASSERT_TRUE(LoadMapData(mapData));
        change.check(mapData);
        for (const auto& outline : mapData.territories.begin()->second.outlineCache) {
            EXPECT_TRUE(outline.empty());  // read afresh
        }
    }

    // Another folder is another set of files.
    TemporaryFolder other;
    fs::copy(fs::path(QUELM_TEST_DATA_DIR) / "map" / "small", other.Path());
    mapData.mapFolder = other.Path();
    ASSERT_TRUE(LoadMapData(mapData));
    EXPECT_TRUE(mapData.tiles.empty());
    EXPECT_EQ(mapData.territories.size(), 3u);
}

// The real maps shipped with TripleA 0.8.2.1.
class RealMapTest : public ::testing::Test {
protected:
    // Loads the map and expects success.
    void Load(const std::string& triplea, const std::string& map) {
        mapFolder = triplea + "/maps/" + map;
        mapData.mapFolder = mapFolder;
        ASSERT_TRUE(LoadMapData(mapData));
    }

    // Every cell holds the relief tile when there is one, else the base tile, else nothing.
    void ExpectTilesWhereFilesExist() const {
        ASSERT_EQ(mapData.tiles.size(), static_cast<std::size_t>(mapData.columns * mapData.rows));
        for (int y = 0; y < mapData.rows; ++y) {
            for (int x = 0; x < mapData.columns; ++x) {
                const std::string name = std::to_string(x) + "_" + std::to_string(y) + ".png";
                std::string expected;
                for (const char* set : {"reliefTiles", "baseTiles"}) {
                    const std::string path = mapFolder + "/" + set + "/" + name;
                    if (expected.empty() && fs::exists(path)) expected = path;
                }
                const Ref<Tile>& tile =
                    mapData.tiles[static_cast<std::size_t>(x + mapData.columns * y)];
                EXPECT_EQ(tile ? tile->Path() : "", expected) << name;
            }
        }
    }

    std::string mapFolder;
    MapData mapData;
};

TEST_F(RealMapTest, Revised) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    Load(triplea, "revised");
    EXPECT_EQ(mapData.columns, 14);
    EXPECT_EQ(mapData.rows, 8);
    ExpectTilesWhereFilesExist();
    EXPECT_EQ(mapData.tiles[0]->Image().size(), QSize(256, 256));
    EXPECT_FALSE(mapData.tiles[13]);  // 13_0.png does not exist: a white cell
    EXPECT_EQ(mapData.mapWidth, 3500);
    EXPECT_EQ(mapData.mapHeight, 2000);
    EXPECT_FALSE(mapData.reliefLoaded);

    EXPECT_TRUE(mapData.territories.at("28 Sea Zone").isSea);
    const Territory& germany = mapData.territories.at("Germany");
    EXPECT_FALSE(germany.isSea);
    EXPECT_FALSE(germany.polygons.empty());
    EXPECT_EQ(germany.placements.at(0), (MapPoint{1001, 555}));
    EXPECT_TRUE(germany.isCapital);
    EXPECT_EQ(germany.capital, (MapPoint{981, 532}));
    EXPECT_EQ(mapData.territories.at("United Kingdom").capital, (MapPoint{709, 292}));
    EXPECT_EQ(mapData.PlayerColours.at("Germans"), 0xFF9C9C9Cu);
    EXPECT_EQ(mapData.PlayerColours.at("Neutral"), 0xFFDD5500u);
}

TEST_F(RealMapTest, ClassicReplacesBaseTilesWithReliefTiles) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    Load(triplea, "classic");
    EXPECT_TRUE(mapData.reliefLoaded);
    EXPECT_EQ(mapData.columns, 14);
    EXPECT_EQ(mapData.rows, 8);
    ExpectTilesWhereFilesExist();  // e.g. 1_0 only as a base tile, 13_0 only as relief
    EXPECT_EQ(mapData.mapWidth, 3500);
}

TEST_F(RealMapTest, MinimapAndPactOfSteel) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    Load(triplea, "minimap");
    EXPECT_EQ(mapData.mapWidth, 900);
    EXPECT_EQ(mapData.mapHeight, 686);
    EXPECT_EQ(mapData.columns, 4);
    EXPECT_EQ(mapData.rows, 3);
    // Its bottom row of tiles is 174 pixels high, so those cells stay white.
    for (int x = 0; x < 4; ++x) EXPECT_FALSE(mapData.tiles[static_cast<std::size_t>(x + 8)]);
    EXPECT_FALSE(mapData.territories.empty());

    mapData = MapData();
    Load(triplea, "pact_of_steel");
    ExpectTilesWhereFilesExist();
    EXPECT_EQ(mapData.mapWidth, 3500);
    EXPECT_GT(mapData.territories.size(), 100u);
}

}  // namespace
