#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QFile>
#include <QImage>

#include "rendertestsupport.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

// Frames drawn by a renderer that keeps what its earlier map loads read, compared with the
// same frames drawn by a renderer that reads the map folder for the first time.
class MapReuseTest : public ::testing::Test {
protected:
    void SetUp() override { StartGuiForTests(); }

    // A renderer on the map folder and game; setHistory fills its history.
    Ref<MapRenderer> NewRenderer() {
        Ref<MapRenderer> renderer;
        EXPECT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        if (!renderer) return renderer;
        renderer->SetImagesFolder(imagesFolder);
        renderer->SetMapFolder(mapFolder);
        renderer->SetLargeFlags(true);
        renderer->SetUseRelief(true);
        renderer->SetTileWidth(tileLength);
        renderer->SetTileHeight(tileLength);
        setHistory(renderer);
        return renderer;
    }

    static QImage Prepare(MapRendererImpl& impl, std::int32_t frame) {
        impl.currentFrame = frame;
        impl.SizeFrameCache();
        impl.PrepareFrame();
        EXPECT_TRUE(impl.ready);
        return impl.frameCache[static_cast<std::size_t>(frame)];
    }

    // Prepares the frame on the reusing renderer and on a fresh one that draws the same
    // random colours, and expects the same pixels; returns the frame.
    QImage ExpectSameAsFresh(std::int32_t frame) {
        Ref<MapRenderer> fresh = NewRenderer();
        ImplOf(fresh).random = ImplOf(reusing).random;
        const QImage expected = Prepare(ImplOf(fresh), frame);
        const QImage drawn = Prepare(ImplOf(reusing), frame);
        EXPECT_FALSE(drawn.isNull());
        EXPECT_TRUE(drawn == expected) << "frame " << frame;
        return drawn;
    }

    // Draws the frames in turn, changes the folder with edit, and draws them again.
    void CheckFrames(std::initializer_list<std::int32_t> frames,
                     const std::function<void()>& edit) {
        reusing = NewRenderer();
        ASSERT_TRUE(reusing);
        std::vector<QImage> before;
        for (std::int32_t frame : frames) before.push_back(ExpectSameAsFresh(frame));
        for (std::int32_t frame : frames) ExpectSameAsFresh(frame);  // all files reused
        edit();
        std::size_t i = 0;
        for (std::int32_t frame : frames) {
            EXPECT_FALSE(ExpectSameAsFresh(frame) == before[i++]) << "edit not seen, " << frame;
        }
    }

    static void MarkEdited(const std::string& path) {
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
    }
    static void WriteTile(const std::string& path, int length, QRgb colour) {
        WritePng(path, length, length, colour);
        MarkEdited(path);
    }

    std::string mapFolder;
    std::string imagesFolder;
    std::int32_t tileLength = 256;
    std::function<void(const Ref<MapRenderer>&)> setHistory;
    Ref<MapRenderer> reusing;
};

TEST_F(MapReuseTest, HandMadeMapFramesMatchAFreshLoadBeforeAndAfterEdits) {
    TemporaryFolder folder;
    mapFolder = folder.Path();
    imagesFolder = folder.MakeFolder("images");
    tileLength = 50;
    fs::copy(fs::path(QUELM_TEST_DATA_DIR) / "map" / "small", mapFolder);
    for (const char* cell : {"0_0", "1_0", "2_0", "0_1", "1_1", "2_1"}) {
        WritePng(folder.File(std::string("baseTiles/") + cell + ".png"), 50, 50, 0xFF3080C0);
    }
    WritePng(folder.File("reliefTiles/1_1.png"), 50, 50, 0xFF806040);
    setHistory = [](const Ref<MapRenderer>& renderer) {
        GameHistory& history = HistoryOf(renderer);
        SetTerritory(history, 0, "Alpha", "Reds");
        SetTerritory(history, 1, "Alpha", "Blues");
        SetTerritory(history, 1, "beta", "Reds");
    };

    CheckFrames({0, 1}, [&] {
        WriteTile(folder.File("reliefTiles/0_0.png"), 50, 0xFF20A020);
        folder.Write("map.properties", "color.Reds=00CC00\ncolor.Blues=0000cc\n"
                                       "map.width=130\nmap.height=95\n");
        MarkEdited(folder.File("map.properties"));
    });
}

TEST_F(MapReuseTest, RevisedFramesMatchAFreshLoadBeforeAndAfterEdits) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    TemporaryFolder folder;
    mapFolder = folder.File("revised");
    imagesFolder = triplea + "/images";
    fs::copy(triplea + "/maps/revised", mapFolder, fs::copy_options::recursive);
    const std::string game = triplea + "/games/revised.xml";
    setHistory = [game](const Ref<MapRenderer>& renderer) {
        Ref<GameLoader> loader;
        renderer->GetGameLoader(loader.Receive());
        loader->SetGameFile(game);
        // A second frame in which the Germans hold the United Kingdom.
        GameHistory& history = HistoryOf(renderer);
        ASSERT_EQ(history.frames.size(), 1u);
        history.frames.push_back(history.frames[0]);
        Ref<TerritoryState> taken;
        CreateTerritoryState(taken.Receive());
        taken->SetName("United Kingdom");
        taken->SetOwner("Germans");
        history.frames[1]["United Kingdom"] = taken;
    };

    CheckFrames({0, 1}, [&] {
        WriteTile(mapFolder + "/baseTiles/3_2.png", 256, 0xFF000080);
        const std::string polygons = mapFolder + "/polygons.txt";
        QFile file(QString::fromStdString(polygons));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        std::string text = file.readAll().toStdString();
        file.close();
        // Germany loses its outline, so it is neither filled nor outlined any more.
        const std::size_t line = text.find("\nGermany ") + 1;
        ASSERT_NE(line, 0u);
        text.erase(line, text.find('\n', line) - line);
        std::ofstream(polygons, std::ios::binary | std::ios::trunc) << text;
        MarkEdited(polygons);
    });
}

}  // namespace
