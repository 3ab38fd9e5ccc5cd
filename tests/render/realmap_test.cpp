#include <gtest/gtest.h>

#include <cstdlib>

#include <QImageReader>

#include "map/mapload.h"
#include "render/imagefile.h"
#include "render/paintercanvas.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

bool Near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance &&
           std::abs(qAlpha(actual) - qAlpha(expected)) <= tolerance;
}

TEST(RealMapTest, RevisedFrameZeroShowsGermanyInTheGermansColourAndExports) {
    QUELM_REQUIRE_SHARED_TRIPLEA(folder);
    StartGuiForTests();
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(folder + "/games/revised.xml");
    ASSERT_GE(loader->GetFrameCount(nullptr), 1);
    renderer->SetImagesFolder(folder + "/images");
    renderer->SetMapFolder(folder + "/maps/revised");
    renderer->SetLargeFlags(true);
    renderer->SetWidth(1920);
    renderer->SetHeight(1080);
    ImplOf(renderer).currentFrame = 0;

    QImage view;
    ASSERT_TRUE(renderer->Paint(nullptr, &view));
    const MapRendererImpl& impl = ImplOf(renderer);
    const QImage& frame = impl.frameCache[0];
    ASSERT_EQ(frame.size(), QSize(3500, 2000));
    const auto germans = impl.mapData.PlayerColours.find("Germans");
    ASSERT_NE(germans, impl.mapData.PlayerColours.end());
    // Inside Germany, away from its units, label and flag.
    const QRgb pixel = frame.pixel(1050, 700);
    EXPECT_TRUE(Near(pixel, germans->second, 6)) << std::hex << pixel;

    TemporaryFolder output;
    const std::string path = output.File("revised.jpg");
    ASSERT_TRUE(renderer->ExportJpeg(3500, 2000, path));
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage exported = reader.read();
    EXPECT_EQ(exported.size(), QSize(3500, 2000));
    EXPECT_TRUE(Near(exported.pixel(1050, 700), germans->second, 12));
}

// The pixels of a map's frame that its tiles leave less than opaque. A frame starts opaque
// white under its tiles; on a map where this count is 0 the white never shows, so its
// pictures are what they were when frames started transparent.
int TranslucentPixelsUnderTiles(const std::string& mapFolder, bool relief) {
    Ref<MapRenderer> renderer;
    if (CreateMapRenderer(renderer.Receive()) != 0) return -1;
    MapRendererImpl& impl = ImplOf(renderer);
    impl.mapData.mapFolder = mapFolder;
    impl.mapData.useRelief = relief;
    if (!LoadMapData(impl.mapData)) return -1;
    QImage frame = NewImage(impl.mapData.mapWidth, impl.mapData.mapHeight);
    {
        PainterCanvas canvas(frame);
        impl.DrawTiles(canvas);
    }
    int translucent = 0;
    for (int y = 0; y < frame.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) translucent += qAlpha(line[x]) < 255 ? 1 : 0;
    }
    return translucent;
}

TEST(RealMapTest, TheOpaqueMapsOfTripleA08CoverEveryPixelOfTheirFrames) {
    QUELM_REQUIRE_SHARED_TRIPLEA(folder);
    for (const char* map : {"revised", "pact_of_steel", "minimap", "classic"}) {
        EXPECT_EQ(TranslucentPixelsUnderTiles(folder + "/maps/" + map, false), 0) << map;
    }
    // Classic's relief tiles are partly transparent: with them its frames turn light.
    EXPECT_GT(TranslucentPixelsUnderTiles(folder + "/maps/classic", true), 1000000);
}

}  // namespace
