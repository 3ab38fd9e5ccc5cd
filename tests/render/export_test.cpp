#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QImageReader>

#include "render/frameexport.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartGuiForTests();
        ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        FillHistory(renderer, 1);
        MapRendererImpl& impl = ImplOf(renderer);
        impl.SizeFrameCache();
        QImage frame(400, 200, QImage::Format_ARGB32_Premultiplied);
        frame.fill(QColor(0, 0, 255));
        impl.frameCache[0] = frame;
    }

    TemporaryFolder folder;
    Ref<MapRenderer> renderer;
};

TEST_F(ExportTest, TheFrameIsStretchedToTheSizeAsked) {
    const std::string path = folder.File("frame.jpg");
    ASSERT_TRUE(renderer->ExportJpeg(350, 100, path));
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), QSize(350, 100));
    const QColor middle = image.pixelColor(300, 80);
    EXPECT_LT(middle.red(), 16);
    EXPECT_GT(middle.blue(), 230);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ExportTest, AFailedExportReportsFalseAndLeavesNoBrokenFile) {
    EXPECT_FALSE(renderer->ExportJpeg(350, 100, folder.File("missing/frame.jpg")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
    EXPECT_FALSE(renderer->ExportJpeg(0, 100, folder.File("empty.jpg")));
    EXPECT_FALSE(renderer->ExportJpeg(100000, 100000, folder.File("huge.jpg")));
    EXPECT_FALSE(renderer->ExportJpeg(350, 100, folder.Path()));  // a folder

    // Without an encoder an existing file under the name is kept as it was.
    const std::string kept = folder.Write("kept.jpg", "earlier picture");
    EXPECT_TRUE(FindEncoder("image/x-quelm-none").isEmpty());
    EXPECT_FALSE(SaveImageFile(QImage(4, 4, QImage::Format_ARGB32_Premultiplied),
                               QString::fromStdString(kept), FindEncoder("image/x-quelm-none")));
    EXPECT_EQ(ReadAll(kept), "earlier picture");
    EXPECT_FALSE(FindEncoder("image/jpeg").isEmpty());
}

}  // namespace
