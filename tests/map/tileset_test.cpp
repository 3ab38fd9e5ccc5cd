#include "map/tileset.h"

#include "mapfoldertest.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include <sys/stat.h>

namespace {

constexpr int kTileSize = 4;

// The CRC of a PNG chunk, over its type and data.
std::uint32_t ChunkCrc(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// A PNG of a few dozen bytes whose header announces width x height pixels.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    const std::string header =
        "IHDR" + BigEndian(width) + BigEndian(height) + std::string("\x08\x06\x00\x00\x00", 5);
    const std::string data = "IDAT" + std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8);
    return "\x89PNG\r\n\x1A\n" + BigEndian(13) + header + BigEndian(ChunkCrc(header)) +
           BigEndian(8) + data + BigEndian(ChunkCrc(data));
}

class LoadTileSetTest : public MapFolderTest {
protected:
    LoadTileSetTest() {
        mapData.tileWidth = kTileSize;
        mapData.tileHeight = kTileSize;
    }

    // Writes a tile of one colour into the set folder.
    void WriteTile(const std::string& set, const std::string& name, QRgb colour = 0xFF336699,
                   int width = kTileSize, int height = kTileSize) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(colour);
        folder.MakeFolder(set);
        ASSERT_TRUE(image.save(QString::fromStdString(folder.File(set + "/" + name)), "PNG"));
    }

    // The file name of the tile in cell (x, y), or "" for an empty cell.
    std::string CellFile(int x, int y) const {
        const Ref<Tile>& tile = mapData.tiles.at(static_cast<std::size_t>(x + mapData.columns * y));
        if (!tile) return "";
        const std::string& path = tile->Path();
        const std::size_t set = path.rfind('/', path.rfind('/') - 1);
        return path.substr(set + 1);
    }

    int FilledCells() const {
        int count = 0;
        for (const Ref<Tile>& tile : mapData.tiles) count += tile ? 1 : 0;
        return count;
    }
};

TEST_F(LoadTileSetTest, LargestNumbersSizeTheGrid) {
    WriteTile("baseTiles", "0_0.png");
    WriteTile("baseTiles", "13_7.png");
    WriteTile("baseTiles", "5_2.png");
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));
    EXPECT_EQ(mapData.columns, 14);
    EXPECT_EQ(mapData.rows, 8);
    ASSERT_EQ(mapData.tiles.size(), 112u);
    EXPECT_EQ(CellFile(13, 7), "baseTiles/13_7.png");
    EXPECT_EQ(CellFile(5, 2), "baseTiles/5_2.png");
    EXPECT_EQ(FilledCells(), 3);
    const QImage& image = mapData.tiles[0]->Image();
    EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(image.pixel(1, 1), 0xFF336699u);
}

TEST_F(LoadTileSetTest, SingleColumnOrRowOrNoFolderChangesNothing) {
    WriteTile("baseTiles", "0_0.png");
    WriteTile("baseTiles", "1_1.png");
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));

    for (const char* name : {"0_0.png", "0_1.png", "0_2.png"}) WriteTile("column", name);
    for (const char* name : {"0_0.png", "1_0.png"}) WriteTile("row", name);
    WriteTile("negative", "-3_-4.png");
    folder.MakeFolder("empty");
    for (const char* set : {"column", "row", "negative", "empty", "missing"}) {
        EXPECT_FALSE(LoadTileSet(mapData, set)) << set;
        EXPECT_EQ(mapData.columns, 2);
        EXPECT_EQ(mapData.rows, 2);
        EXPECT_EQ(CellFile(0, 0), "baseTiles/0_0.png");
        EXPECT_EQ(FilledCells(), 2);
    }
}

TEST_F(LoadTileSetTest, OnlyFilesNamedLikeTilesAreRead) {
    WriteTile("baseTiles", "1_2.PNG");
    WriteTile("baseTiles", "0_0.png");
    WriteTile("baseTiles", "3_3.bak.png");  // two dots
    WriteTile("baseTiles", ".2_2.png");     // hidden
    WriteTile("baseTiles", "2_2.pngx");
    WriteTile("baseTiles", "2_2_1.png");
    WriteTile("baseTiles", "x_y.png");  // reads as 0_0 and replaces it
    folder.MakeFolder("baseTiles/3_2.png");
    ASSERT_EQ(::mkfifo(folder.File("baseTiles/3_1.png").c_str(), 0600), 0);
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));
    EXPECT_EQ(mapData.columns, 2);
    EXPECT_EQ(mapData.rows, 3);
    EXPECT_EQ(CellFile(1, 2), "baseTiles/1_2.PNG");
    EXPECT_EQ(CellFile(0, 0), "baseTiles/x_y.png");
    EXPECT_EQ(FilledCells(), 2);
}

TEST_F(LoadTileSetTest, LeadingZerosNameTheSameCellAndTheLastNameWins) {
    WriteTile("baseTiles", "3_07.png");
    WriteTile("baseTiles", "03_7.png");
    WriteTile("baseTiles", "-1_1.png");
    WriteTile("baseTiles", "2147483647_1.png");  // far beyond any map: ignored
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));
    EXPECT_EQ(mapData.columns, 4);
    EXPECT_EQ(mapData.rows, 8);
    EXPECT_EQ(CellFile(3, 7), "baseTiles/3_07.png");  // after "03_7.png" in name order
    EXPECT_EQ(FilledCells(), 1);
}

TEST_F(LoadTileSetTest, TilesOfTheWrongSizeOrBrokenAreDropped) {
    WriteTile("baseTiles", "0_0.png");
    WriteTile("baseTiles", "1_1.png");
    WriteTile("baseTiles", "0_1.png");
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));

    WriteTile("reliefTiles", "0_0.png", 0xFFFF0000, kTileSize - 1, kTileSize);
    WriteTile("reliefTiles", "1_1.png", 0xFFFF0000, kTileSize, kTileSize + 1);
    folder.Write("reliefTiles/1_0.png", PngHeaderOnly(100000, 100000));
    folder.Write("reliefTiles/0_1.png", PngHeaderOnly(kTileSize, kTileSize));  // no pixels
    folder.Write("reliefTiles/2_2.png", "not an image");
    ASSERT_TRUE(LoadTileSet(mapData, "reliefTiles"));
    EXPECT_EQ(mapData.columns, 3);
    EXPECT_EQ(mapData.rows, 3);
    // The cells keep their index and what they held.
    EXPECT_EQ(mapData.tiles[0]->Path().substr(folder.Path().size()), "/baseTiles/0_0.png");
    EXPECT_EQ(FilledCells(), 3);
}

TEST_F(LoadTileSetTest, HostileHeaderIsNotDecodedEvenAtTheTileSize) {
    mapData.tileWidth = 20000;
    mapData.tileHeight = 20000;
    // 1.6 GB once decoded: above Qt's allocation limit.
    folder.Write("baseTiles/1_1.png", PngHeaderOnly(20000, 20000));
    const int limit = QImageReader::allocationLimit();
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));
    EXPECT_EQ(FilledCells(), 0);
    EXPECT_EQ(QImageReader::allocationLimit(), limit);
}

TEST_F(LoadTileSetTest, ReliefTilesReplaceBaseTilesCellByCell) {
    for (const char* name : {"0_0.png", "1_0.png", "0_1.png"}) WriteTile("baseTiles", name);
    for (const char* name : {"1_0.png", "1_1.png"}) WriteTile("reliefTiles", name, 0xFF00FF00);
    ASSERT_TRUE(LoadTileSet(mapData, "baseTiles"));
    ASSERT_TRUE(LoadTileSet(mapData, "reliefTiles"));
    EXPECT_EQ(CellFile(0, 0), "baseTiles/0_0.png");
    EXPECT_EQ(CellFile(1, 0), "reliefTiles/1_0.png");
    EXPECT_EQ(CellFile(0, 1), "baseTiles/0_1.png");
    EXPECT_EQ(CellFile(1, 1), "reliefTiles/1_1.png");
    EXPECT_EQ(mapData.tiles[1]->Image().pixel(0, 0), 0xFF00FF00u);
}

}  // namespace
