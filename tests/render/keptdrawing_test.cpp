#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPen>

#include "render/canvas.h"
#include "render/imagefile.h"
#include "render/outlinestamps.h"
#include "render/paintercanvas.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

// A frame drawn with every tile drawn over the white frame and every outline stroked by
// Qt, as frames were drawn before the renderer kept composed tiles and outline coverage.
QImage StrokedFrame(MapRendererImpl& impl) {
    QImage frame = NewImage(impl.mapData.mapWidth, impl.mapData.mapHeight);
    frame.fill(QColor(Qt::white));
    PainterCanvas canvas(frame);
    canvas.SetAntialiasing(true);
    impl.DrawTiles(canvas);
    impl.DrawTerritories(canvas);
    return frame;
}

int DifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* left = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* right = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) different += left[x] != right[x] ? 1 : 0;
    }
    return different;
}

// Prepares frame 0 twice (the first preparation composes the tiles and rasterizes the
// outlines, the second reuses them) and expects each to equal the frame drawn plainly with
// the same colours.
void ExpectFramesAsStroked(const Ref<MapRenderer>& renderer, const std::string& what) {
    MapRendererImpl& impl = ImplOf(renderer);
    impl.currentFrame = 0;
    impl.SizeFrameCache();
    for (const char* pass : {"first", "second"}) {
        const RandomGenerator colours = impl.random;
        impl.PrepareFrame();
        ASSERT_TRUE(impl.ready) << what;
        const QImage kept = impl.frameCache[0];
        impl.random = colours;
        EXPECT_EQ(DifferentPixels(kept, StrokedFrame(impl)), 0) << what << ", " << pass;
    }
    EXPECT_GT(impl.outlineStamps.Count(), 0u) << what;
}

Ref<MapRenderer> RendererOn(const std::string& map, const std::string& game,
                            const std::string& images, bool relief) {
    Ref<MapRenderer> renderer;
    EXPECT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(game);
    renderer->SetImagesFolder(images);
    renderer->SetMapFolder(map);
    renderer->SetUseRelief(relief);
    renderer->SetLargeFlags(true);
    renderer->SetTerritoryLabels(true);
    renderer->SetUnitQuantities(true);
    return renderer;
}

TEST(KeptDrawingTest, RealMapFramesAreThoseThatStrokingDraws) {
    StartGuiForTests();
    QUELM_REQUIRE_SHARED_TRIPLEA(folder);
    struct Case {
        const char* map;
        const char* game;
        bool relief;
    };
    for (const Case& c :
         {Case{"revised", "revised", false}, Case{"pact_of_steel", "pact_of_steel", false},
          Case{"classic", "classic", true}, Case{"minimap", "minimap", false}}) {
        const std::string what = std::string(c.map) + (c.relief ? " with relief" : "");
        ExpectFramesAsStroked(
            RendererOn(folder + "/maps/" + c.map, folder + "/games/" + c.game + ".xml",
                       folder + "/images", c.relief),
            what);
    }
    const std::string ww2 = folder + "/../downloadedMaps/world_war_ii_revised/map";
    if (QFileInfo::exists(QString::fromStdString(ww2))) {
        ExpectFramesAsStroked(RendererOn(ww2, ww2 + "/games/ww2v2.xml", folder + "/images", true),
                              "world_war_ii_revised");
    }
}

// A 120 x 80 map without tiles: a zigzag outline of 63 corners, stroked in two pieces
// that overlap, running out of the frame on three sides, and a small triangle.
void ZigzagMap(MapData& data) {
    data.mapWidth = 120;
    data.mapHeight = 80;
    Territory& zigzag = data.territories["Zigzag"];
    zigzag.name = "Zigzag";
    for (int i = 0; i <= 60; ++i) zigzag.points.push_back({-5 + 2 * i, 10 + (i % 2) * 7 + i / 7});
    zigzag.points.push_back({130, 95});
    zigzag.points.push_back({-10, 90});
    zigzag.polygons = {{0, static_cast<std::int32_t>(zigzag.points.size())}};
    Territory& triangle = data.territories["Triangle"];
    triangle.name = "Triangle";
    triangle.points = {{40, 30}, {70, 33}, {52, 60}};
    triangle.polygons = {{0, 3}};
    for (Territory* territory : {&zigzag, &triangle}) territory->outlineCache.resize(1);
    data.PlayerColours["Reds"] = 0xFFC03030;
}

TEST(KeptDrawingTest, OutlinesCutByTheFrameEdgesAndOverlappingPiecesBlendAsStroked) {
    StartGuiForTests();
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    UseHandMadeMap(renderer, ZigzagMap);
    SetTerritory(HistoryOf(renderer), 0, "Zigzag", "Reds");
    SetTerritory(HistoryOf(renderer), 0, "Triangle", "Blues");
    ExpectFramesAsStroked(renderer, "zigzag");
}

// A star of teeth alternately 85 and 50 pixels from centre, turned by 30 degrees. Each tooth
// is a step of 4 pixels across its radius, axis-aligned on whole pixels; the segments
// between the teeth are slanted, so their edges and the corners are anti-aliased.
std::vector<QPointF> Star(int teeth, QPointF centre) {
    const double pi = std::acos(-1.0);
    std::vector<QPointF> corners;
    for (int k = 0; k < teeth; ++k) {
        const double angle = 2 * pi * k / teeth + pi / 6;
        const double radius = k % 2 == 0 ? 85 : 50;
        const QPointF tooth(std::round(centre.x() + radius * std::cos(angle)),
                            std::round(centre.y() + radius * std::sin(angle)));
        const bool leftOrRight = std::abs(std::cos(angle)) >= std::abs(std::sin(angle));
        const QPointF step = leftOrRight ? QPointF(0, std::cos(angle) > 0 ? 4 : -4)
                                         : QPointF(std::sin(angle) > 0 ? -4 : 4, 0);
        corners.push_back(tooth);
        corners.push_back(tooth + step);
    }
    return corners;
}

// A frame's outline, blended from kept coverage, has the pixels of one QPainter stroke of
// the whole polygon with the outline pen written out here, however many pieces it is cut
// into. The pieces of a long outline overlap by one segment, which is blended twice: that
// changes nothing where the segment covers whole pixels, as the axis-aligned steps of
// TripleA's outlines do, but darkens the anti-aliased rim of a slanted one by up to a
// quarter. Pieces start at even corners, so here they overlap on the stars' steps, which are
// long enough that the joins at their two ends share no pixel: every pixel must be equal.
TEST(KeptDrawingTest, LongOutlinesAreOneStrokeOfTheWholePolygon) {
    StartGuiForTests();
    struct Case {
        const char* what;
        int teeth;
        QPointF centre;
        QSize size;
        bool firstRepeated;  // the first corner again at the end, as frames pass outlines
    };
    const Case cases[] = {
        {"160 corners, the first repeated at the end", 80, {100, 100}, {200, 200}, true},
        {"50 corners, the fewest cut into pieces", 25, {100, 100}, {200, 200}, false},
        {"160 corners cut by all four edges of the frame", 80, {40, 60}, {120, 110}, false},
        {"24 corners, stroked whole", 12, {100, 100}, {200, 200}, false},
    };
    constexpr std::uint32_t kUnder = 0xFF4080C0;  // opaque, as a frame is under its outlines
    for (const Case& c : cases) {
        std::vector<QPointF> corners = Star(c.teeth, c.centre);
        QImage plain = NewImage(c.size.width(), c.size.height(), kUnder);
        {
            QPainter painter(&plain);
            painter.setRenderHint(QPainter::Antialiasing, true);
            QPen pen(QBrush(Qt::black), 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            pen.setMiterLimit(10.0);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPolygon(corners.data(), static_cast<int>(corners.size()));
        }
        if (c.firstRepeated) corners.push_back(corners.front());
        QImage kept = NewImage(c.size.width(), c.size.height(), kUnder);
        OutlineStamps stamps;
        {
            PainterCanvas canvas(kept, &stamps);
            FillPolygon(canvas, 0, corners.data(), static_cast<int>(corners.size()), true, false);
        }
        EXPECT_EQ(stamps.Count(), 1u) << c.what;
        EXPECT_GT(DifferentPixels(plain, NewImage(c.size.width(), c.size.height(), kUnder)), 1000)
            << c.what;
        EXPECT_EQ(DifferentPixels(kept, plain), 0) << c.what;
    }
}

// Frames are large enough to get memory of their own, which is kept for the next frame of
// the same size when given back: a new image must not show the old one's pixels.
TEST(KeptDrawingTest, ALargeImageMadeFromMemoryGivenBackStartsAsAsked) {
    for (const std::uint32_t pixel : {0u, 0xFFFFFFFFu, 0x80402010u}) {
        {
            QImage old = NewImage(3000, 1000);
            ASSERT_FALSE(old.isNull());
            old.fill(0xFF123456u);
        }
        const QImage fresh = NewImage(3000, 1000, pixel);
        ASSERT_FALSE(fresh.isNull());
        int wrong = 0;
        for (int y = 0; y < fresh.height(); y += 7) {
            const auto* line = reinterpret_cast<const QRgb*>(fresh.constScanLine(y));
            for (int x = 0; x < fresh.width(); ++x) wrong += line[x] != pixel ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0) << std::hex << pixel;
    }
}

}  // namespace
