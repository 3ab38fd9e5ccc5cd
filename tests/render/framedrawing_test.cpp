#include <gtest/gtest.h>

#include "recordingcanvas.h"
#include "render/randomgenerator.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

using Kind = RecordingCanvas::Kind;

// A 1 x 1 GIF, for the small flags.
const std::string kTinyGif(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00\x01\x00\x01\x00"
    "\x00\x02\x02\x44\x01\x00;",
    35);

Territory MakeTerritory(const std::string& name, std::vector<MapPoint> points,
                        std::vector<PolygonRange> polygons) {
    Territory territory;
    territory.name = name;
    territory.isSea = name.find("Sea Zone") != std::string::npos;
    territory.points = std::move(points);
    territory.polygons = std::move(polygons);
    territory.outlineCache.resize(territory.polygons.size());
    return territory;
}

class FrameDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        RendererEnvironment environment;
        environment.randomSeed = 7;
        ASSERT_EQ(CreateMapRenderer(renderer.Receive(), environment), 0);
        Impl().currentFrame = 0;
        Impl().imagesFolder = images.Path();
        HistoryOf(renderer).frames.resize(1);
    }
    MapRendererImpl& Impl() { return ImplOf(renderer); }
    MapData& Map() { return Impl().mapData; }
    GameHistory& History() { return HistoryOf(renderer); }
    RecordingCanvas DrawTerritories() {
        RecordingCanvas canvas;
        Impl().DrawTerritories(canvas);
        return canvas;
    }

    TemporaryFolder images;
    Ref<MapRenderer> renderer;
};

TEST_F(FrameDrawingTest, TilesAreDrawnColumnByColumnAndEmptyCellsFilledWhite) {
    // Three columns of two rows of 100 x 50 tiles; cell c of the row-major list is column
    // c % 3 of row c / 3. Each picture has a size of its own, so that a cell drawn in
    // another's place shows.
    Map().columns = 3;
    Map().rows = 2;
    Map().tileWidth = 100;
    Map().tileHeight = 50;
    auto picture = [](const std::string& name, const QImage& image) {
        Ref<Tile> tile;
        CreateTile(name, image, tile.Receive());
        return tile;
    };
    // Cell 1 is empty, cell 4 holds no image, cell 5 lies beyond a grid emptied by a load
    // that found no tile set.
    Map().tiles = {picture("0_0.png", QImage(10, 1, QImage::Format_ARGB32_Premultiplied)),
                   Ref<Tile>(),
                   picture("2_0.png", QImage(12, 1, QImage::Format_ARGB32_Premultiplied)),
                   picture("0_1.png", QImage(13, 1, QImage::Format_ARGB32_Premultiplied)),
                   picture("1_1.png", QImage())};
    RecordingCanvas canvas;
    Impl().DrawTiles(canvas);

    struct Expected {
        Kind kind;
        QRectF cell;
        int pictureWidth;  // of a drawn picture
    };
    const std::vector<Expected> expected = {
        {Kind::Image, {0, 0, 100, 50}, 10},   {Kind::Image, {0, 50, 100, 50}, 13},
        {Kind::Fill, {100, 0, 100, 50}, 0},   {Kind::Fill, {100, 50, 100, 50}, 0},
        {Kind::Image, {200, 0, 100, 50}, 12}, {Kind::Fill, {200, 50, 100, 50}, 0},
    };
    ASSERT_EQ(canvas.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RecordingCanvas::Call& call = canvas.calls[i];
        const Expected& want = expected[i];
        ASSERT_EQ(call.kind, want.kind) << "call " << i;
        if (want.kind == Kind::Image) {
            EXPECT_EQ(call.rect, want.cell) << "call " << i;
            EXPECT_EQ(call.imageSize.width(), want.pictureWidth) << "call " << i;
        } else {
            EXPECT_EQ(call.colour, 0xFFFFFFFFu) << "call " << i;
            EXPECT_EQ(call.points, Corners(want.cell.x(), want.cell.y(), want.cell.width(),
                                           want.cell.height()))
                << "call " << i;
        }
    }
}

TEST_F(FrameDrawingTest, TerritoriesTakeOwnerOrRandomColoursAndSeaZonesAreOnlyOutlined) {
    Map().territories["Alpha"] = MakeTerritory("Alpha", {{0, 0}, {10, 0}, {0, 10}}, {{0, 3}});
    Map().territories["Beta"] = MakeTerritory(
        "Beta", {{0, 0}, {5, 0}, {5, 5}, {20, 20}, {30, 20}, {30, 30}}, {{0, 3}, {3, 6}});
    Map().territories["Sea Zone 1"] =
        MakeTerritory("Sea Zone 1", {{1, 1}, {2, 1}, {2, 2}}, {{0, 3}});
    Map().PlayerColours["Germans"] = 0xFF9C9C9C;
    SetTerritory(History(), 0, "Alpha", "Germans");
    SetTerritory(History(), 0, "Beta", "Klingons");  // no colour of its own
    SetTerritory(History(), 0, "Sea Zone 1", "Germans");

    // Every polygon draws blue, green and red, even when the owner's colour wins.
    RandomGenerator random(7);
    auto randomColour = [&random] {
        const Argb blue = static_cast<Argb>(random.Next() % 256);
        const Argb green = static_cast<Argb>(random.Next() % 256);
        const Argb red = static_cast<Argb>(random.Next() % 256);
        return 0x64000000u | red << 16 | green << 8 | blue;
    };
    randomColour();  // Alpha
    const Argb betaFirst = randomColour();
    const Argb betaSecond = randomColour();
    EXPECT_NE(betaFirst, betaSecond);

    const RecordingCanvas canvas = DrawTerritories();
    const auto fills = canvas.Of(Kind::Fill);
    ASSERT_EQ(fills.size(), 3u);  // the sea zone is not filled
    EXPECT_EQ(fills[0].colour, 0xFF9C9C9Cu);
    EXPECT_EQ(fills[1].colour, betaFirst);
    EXPECT_EQ(fills[2].colour, betaSecond);
    const std::vector<QPointF> closedAlpha = {{0, 0}, {10, 0}, {0, 10}, {0, 0}};
    EXPECT_EQ(fills[0].points, closedAlpha);
    EXPECT_EQ(fills[2].points, (std::vector<QPointF>{{20, 20}, {30, 20}, {30, 30}, {20, 20}}));

    const auto outlines = canvas.Of(Kind::Outline);
    ASSERT_EQ(outlines.size(), 4u);
    EXPECT_EQ(outlines[0].points, closedAlpha);
    EXPECT_EQ(outlines[3].points, (std::vector<QPointF>{{1, 1}, {2, 1}, {2, 2}, {1, 1}}));
    for (const auto& outline : outlines) {
        EXPECT_EQ(outline.colour, 0xFF000000u);
        EXPECT_EQ(outline.width, 2.0);
    }
    // Each outline comes right after switching on anti-aliasing.
    for (std::size_t i = 0; i < canvas.calls.size(); ++i) {
        if (canvas.calls[i].kind != Kind::Outline) continue;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(canvas.calls[i - 1].kind, Kind::Antialiasing);
        EXPECT_TRUE(canvas.calls[i - 1].on);
    }

    // With relief tiles the owner's colour turns translucent.
    Map().reliefLoaded = true;
    EXPECT_EQ(DrawTerritories().Of(Kind::Fill)[0].colour, 0x649C9C9Cu);
}

TEST_F(FrameDrawingTest, TerritoriesTheGameMarksWaterAreOnlyOutlined) {
    for (const char* name : {"SZ 12 North Sea", "SZ 13", "Sea Zone 14"}) {
        Map().territories[name] = MakeTerritory(name, {{0, 0}, {4, 0}, {4, 4}}, {{0, 3}});
    }
    Map().PlayerColours["Neutral"] = 0xFFD2691E;
    History().waterTerritories = {"SZ 12 North Sea"};
    // "SZ 13" is neither marked nor named a sea zone: it is filled as Neutral land.
    const RecordingCanvas canvas = DrawTerritories();
    const auto fills = canvas.Of(Kind::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].colour, 0xFFD2691Eu);
    EXPECT_EQ(canvas.Of(Kind::Outline).size(), 3u);
}

TEST_F(FrameDrawingTest, OutlinesAreClosedOnceAndKeptUntilTheNextLoad) {
    // Range (2, 5) of four points: indices 2 and 3 exist, 4 does not.
    Map().territories["Alpha"] =
        MakeTerritory("Alpha", {{0, 0}, {1, 1}, {7, 7}, {8, 8}}, {{2, 5}, {3, 3}, {3, 1}});
    const auto outlines = DrawTerritories().Of(Kind::Outline);
    ASSERT_EQ(outlines.size(), 3u);
    EXPECT_EQ(outlines[0].points, (std::vector<QPointF>{{7, 7}, {8, 8}, {7, 7}, {0, 0}}));
    EXPECT_EQ(outlines[1].points, (std::vector<QPointF>{{8, 8}}));  // an empty polygon
    EXPECT_TRUE(outlines[2].points.empty());                        // a reversed range
    Map().territories["Alpha"].points[2] = {100, 100};
    EXPECT_EQ(DrawTerritories().Of(Kind::Outline)[0].points, outlines[0].points);
}

TEST_F(FrameDrawingTest, LabelsShowNameAndProductionAtTheFirstPlacement) {
    Impl().territoryLabels = true;
    for (const char* name : {"Alpha", "Beta", "Gamma", "Delta", "Lonely"}) {
        Map().territories[name] = MakeTerritory(name, {{0, 0}, {4, 0}, {4, 4}}, {{0, 3}});
        Map().territories[name].placements = {{40, 50}, {90, 50}};
    }
    Map().territories["Delta"].placements.clear();
    SetTerritory(History(), 0, "Alpha", "Germans", "0");
    SetTerritory(History(), 0, "Beta", "Germans", "");
    SetTerritory(History(), 0, "Gamma", "Germans", "12");
    SetTerritory(History(), 0, "Delta", "Germans", "3");  // no placement point: no label
    // "Lonely" is not in the frame: drawn as Neutral, without label.
    const auto texts = DrawTerritories().Of(Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "Alpha");
    EXPECT_EQ(texts[1].text, "Beta");
    EXPECT_EQ(texts[2].text, "Gamma\n12");
    EXPECT_EQ(texts[0].rect, QRectF(40, 50, 100, 200));
    EXPECT_EQ(texts[0].colour, 0xC8FFFFFFu);
    EXPECT_EQ(texts[0].style.pointSize, 12);
    EXPECT_EQ(texts[0].style.alignment, TextStyle::Alignment::Centre);
    EXPECT_FALSE(texts[0].style.clip);

    Impl().territoryLabels = false;
    EXPECT_TRUE(DrawTerritories().Of(Kind::Text).empty());
}

TEST_F(FrameDrawingTest, CapitalFlagsComeFromTheOwnersFlagFileOrNeutral) {
    WritePng(images.File("flags/Germans_large.png"), 20, 10);
    images.Write("flags/Germans.gif", kTinyGif);
    WritePng(images.File("flags/Neutral_large.png"), 7, 5);
    for (const char* name : {"Germany", "Nowhere"}) {
        Map().territories[name] = MakeTerritory(name, {{0, 0}, {4, 0}, {4, 4}}, {{0, 3}});
        Map().territories[name].isCapital = true;
        Map().territories[name].capital = {300, 400};
    }
    SetTerritory(History(), 0, "Germany", "Germans");
    SetTerritory(History(), 0, "Nowhere", "");  // nobody owns it

    Impl().largeFlags = true;
    auto flags = DrawTerritories().Of(Kind::Image);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0].rect, QRectF(300, 400, 20, 10));
    EXPECT_EQ(flags[1].rect, QRectF(300, 400, 7, 5));

    // The small flags are read once the table is emptied, as a map load does.
    Impl().largeFlags = false;
    Impl().flagImages.clear();
    flags = DrawTerritories().Of(Kind::Image);
    ASSERT_EQ(flags.size(), 1u);  // Neutral.gif does not exist: nothing drawn
    EXPECT_EQ(flags[0].imageSize, QSize(1, 1));
    EXPECT_EQ(Impl().flagImages.count("Neutral"), 1u);  // not tried again
}

// A small map of its own whose sea zones are named "SZ n" and marked water in its game
// definition, drawn from its files: the sea tiles show through the unowned sea zones.
TEST(SeaZoneMapTest, UnownedSeaZonesMarkedWaterShowTheirTiles) {
    StartGuiForTests();
    TemporaryFolder folder;
    folder.Write("map/polygons.txt",
                 "Alpha < (0,0) (200,0) (200,300) (0,300) >\n"
                 "SZ 1 North Sea < (200,0) (400,0) (400,150) (200,150) >\n"
                 "SZ 2 < (200,150) (400,150) (400,300) (200,300) >\n");
    folder.Write("map/place.txt", "Alpha (10,10)\n");
    folder.Write("map/map.properties",
                 "color.Reds=FF0000\ncolor.Neutral=D2691E\nmap.width=400\nmap.height=300\n");
    const QRgb sea = qRgb(40, 90, 200);
    for (const char* cell : {"0_0", "0_1", "1_0", "1_1"}) {
        WritePng(folder.File(std::string("map/baseTiles/") + cell + ".png"), 256, 256, sea);
    }
    const std::string game = folder.Write(
        "game.xml",
        "<game><map><territory name=\"Alpha\"/>"
        "<territory name=\"SZ 1 North Sea\" water=\"true\"/>"
        "<territory name=\"SZ 2\" water=\"true\"/></map><initialize><ownerInitialize>"
        "<territoryOwner territory=\"Alpha\" owner=\"Reds\"/></ownerInitialize>"
        "<unitInitialize/></initialize><attatchmentList/></game>");

    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(game);
    renderer->SetMapFolder(folder.File("map"));
    renderer->SetImagesFolder(folder.Path());
    renderer->SetWidth(400);
    renderer->SetHeight(300);
    QImage view;
    ASSERT_TRUE(renderer->Paint(nullptr, &view));
    const QImage& frame = ImplOf(renderer).frameCache.at(0);
    EXPECT_EQ(frame.pixel(100, 150), qRgb(255, 0, 0));
    EXPECT_EQ(frame.pixel(300, 75), sea);
    EXPECT_EQ(frame.pixel(300, 225), sea);
}

}  // namespace
