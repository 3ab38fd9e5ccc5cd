#include <gtest/gtest.h>

#include <cstdlib>

#include <QImageReader>

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
    EXPECT_EQ(germans->second, 0xFF9C9C9Cu);
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

}  // namespace
