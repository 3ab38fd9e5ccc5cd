#include <cstdlib>
#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "base/ref.h"
#include "game/gameloader.h"
#include "platform/guistarter.h"
#include "render/maprenderer.h"
#include "testsupport.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;

void WriteText(const QString& path, const char* text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A tile as TripleA 1.x maps ship them: transparent in its top half, and a translucent
// pale blue in its bottom half (or wholly transparent).
void WriteTile(const QString& path, bool relief) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage tile(256, 256, QImage::Format_ARGB32);
    tile.fill(Qt::transparent);
    if (relief) {
        for (int y = 128; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) tile.setPixel(x, y, qRgba(64, 128, 192, 96));
        }
    }
    ASSERT_TRUE(tile.save(path, "PNG"));
}

// A land owned by a player with a colour, and a sea zone beside it, over partly
// transparent base and relief tiles; the frame has a caption and a player with a flag.
void WriteGame(const QString& root) {
    WriteText(root + "/map/polygons.txt",
              "Alpha < (0,0) (250,0) (250,400) (0,400) >\n"
              "Sea Zone 1 < (250,0) (500,0) (500,400) (250,400) >\n");
    WriteText(root + "/map/place.txt", "Alpha (20,300)\n");
    WriteText(root + "/map/map.properties", "color.Japanese=e6b42d\nmap.width=500\nmap.height=400\n");
    for (const char* cell : {"0_0", "0_1", "1_0", "1_1"}) {
        WriteTile(root + "/map/baseTiles/" + cell + ".png", false);
        WriteTile(root + "/map/reliefTiles/" + cell + ".png", true);
    }
    QImage flag(48, 32, QImage::Format_ARGB32);
    flag.fill(qRgb(200, 30, 30));
    QDir().mkpath(root + "/images/flags");
    ASSERT_TRUE(flag.save(root + "/images/flags/Japanese_large.png", "PNG"));
    WriteText(root + "/game.xml",
              "<game><map><territory name=\"Alpha\"/><territory name=\"Sea Zone 1\"/></map>"
              "<initialize><ownerInitialize>"
              "<territoryOwner territory=\"Alpha\" owner=\"Japanese\"/></ownerInitialize>"
              "<unitInitialize/></initialize><attatchmentList/></game>\n");
    WriteText(root + "/history.txt",
              "TrevoConvert\nCaption:Round 1 - Japanese Combat Move\nStep:0\nPlayer:Japanese\n"
              "-\n-\n-\nAlpha\nOwner:Japanese\nEnd Territory\nEnd Frame\n");
}

QImage Opaque(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

bool Near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

class OutputColoursTest : public ::testing::Test {
protected:
    void SetUp() override { WriteGame(root.path()); }

    // Draws the one frame with quelm_render in the format given.
    QImage RenderedPicture(const QString& format) {
        const QString out = root.path() + "/out-" + format;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", root.path() + "/config");
        environment.insert("XDG_CONFIG_DIRS", root.path() + "/config");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUELM_RENDER_PROGRAM),
                      {"--game", root.path() + "/game.xml", "--history", root.path() + "/history.txt",
                       "--map", root.path() + "/map", "--images", root.path() + "/images", "--out",
                       out, "--format", format, "--quiet"});
        EXPECT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QImage(out + "/frame-0000." + format);
    }

    // The viewer's renderer on the same files, its view as large as the map at zoom 1.
    Ref<MapRenderer> ViewerRenderer() {
        Ref<MapRenderer> renderer;
        EXPECT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        Ref<GameLoader> loader;
        renderer->GetGameLoader(loader.Receive());
        loader->SetGameFile((root.path() + "/game.xml").toStdString());
        loader->SetConverterOutput((root.path() + "/history.txt").toStdString());
        renderer->SetMapFolder((root.path() + "/map").toStdString());
        renderer->SetImagesFolder((root.path() + "/images").toStdString());
        renderer->SetLargeFlags(true);
        renderer->SetZoom(1.0);
        renderer->SetWidth(kWidth);
        renderer->SetHeight(kHeight);
        return renderer;
    }

    GuiStarter gui;
    QTemporaryDir root;
};

TEST_F(OutputColoursTest, EveryOutputShowsTheSameColoursOverTransparentTiles) {
    Ref<MapRenderer> renderer = ViewerRenderer();
    QImage view;
    ASSERT_TRUE(renderer->Paint(nullptr, &view));
    ASSERT_EQ(view.size(), QSize(kWidth, kHeight));
    const std::string exportPath = (root.path() + "/export.jpg").toStdString();
    ASSERT_TRUE(renderer->ExportJpeg(kWidth, kHeight, exportPath));
    const QImage exported(QString::fromStdString(exportPath));
    const QImage png = RenderedPicture("png");
    const QImage jpeg = RenderedPicture("jpg");

    // The window and the PNG picture agree to the pixel, overlay included.
    const QImage shown = Opaque(view);
    ASSERT_TRUE(Opaque(png) == shown) << "the PNG picture differs from the window's";

    // Where the tiles are wholly transparent and nothing is drawn, the picture is white.
    EXPECT_EQ(shown.pixel(375, 100), qRgb(255, 255, 255));
    // The owner's translucent colour over that white keeps its hue and lightness.
    const QRgb land = shown.pixel(125, 100);
    EXPECT_TRUE(Near(land, qRgb(245, 226, 173), 3)) << std::hex << land;
    for (const QPoint& at : {QPoint(125, 100), QPoint(125, 350), QPoint(375, 100), QPoint(375, 350)}) {
        EXPECT_TRUE(Near(exported.pixel(at), shown.pixel(at), 8))
            << at.x() << "," << at.y() << " " << std::hex << exported.pixel(at);
        EXPECT_TRUE(Near(jpeg.pixel(at), shown.pixel(at), 8))
            << at.x() << "," << at.y() << " " << std::hex << jpeg.pixel(at);
    }
}

}  // namespace
