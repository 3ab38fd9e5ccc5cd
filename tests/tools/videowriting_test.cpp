#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "frameencoder.h"
#include "historyrenderer.h"
#include "orderedframes.h"
#include "platform/guistarter.h"
#include "renderoptions.h"

namespace {

const QString kDemo = QStringLiteral(QUELM_DEMO_DIR);

// Keeps what quelm_render hands to its encoder.
struct Recording {
    bool opened = false;
    QSize size;
    double fps = 0;
    std::vector<QImage> frames;
    bool finished = false;
};

class RecordingEncoder : public FrameEncoder {
public:
    explicit RecordingEncoder(Recording& recording) : recording(recording) {}
    bool Open() override { return recording.opened = true; }
    bool Start(QSize size, double fps) override {
        recording.size = size;
        recording.fps = fps;
        return true;
    }
    bool Add(const QImage& frame) override {
        recording.frames.push_back(frame);
        return true;
    }
    bool Finish() override { return recording.finished = true; }
    QString Error() const override { return QString(); }

private:
    Recording& recording;
};

class VideoWritingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static GuiStarter* gui = new GuiStarter(true);
        (void)gui;
    }

    // The demo war's options, as quelm_render's command line gives them.
    static RenderOptions DemoOptions(QStringList arguments) {
        arguments.prepend("quelm_render");
        arguments << "--game" << kDemo + "/games/quelm_demo.xml"
                  << "--map" << kDemo + "/maps/quelm_demo"
                  << "--images" << kDemo + "/images"
                  << "--history" << kDemo + "/data/Ostrevan/Quelm/Trevo.txt"
                  << "--quiet";
        const ParsedOptions parsed = ParseRenderOptions(arguments);
        EXPECT_TRUE(parsed.options) << parsed.error.toStdString();
        return parsed.options.value_or(RenderOptions());
    }

    int RenderVideo(const QStringList& arguments) {
        HistoryRenderer renderer(DemoOptions(arguments));
        renderer.createEncoder = [this](const QString&) {
            return std::make_unique<RecordingEncoder>(recording);
        };
        return renderer.Run();
    }

    // The pictures quelm_render writes for the same frames, one worker.
    std::vector<QImage> Pictures(const QStringList& arguments, int first, int last) {
        EXPECT_EQ(HistoryRenderer(
                      DemoOptions(arguments + QStringList{"--out", out.path(), "--jobs", "1"}))
                      .Run(),
                  0);
        std::vector<QImage> pictures;
        for (int frame = first; frame <= last; ++frame) {
            pictures.push_back(
                QImage(out.filePath(QString("frame-%1.png").arg(frame, 4, 10, QChar('0'))))
                    .convertToFormat(QImage::Format_RGB32));
        }
        return pictures;
    }

    Recording recording;
    QTemporaryDir out;
};

TEST_F(VideoWritingTest, FramesComeInOrderAsThePicturesAndTheLastOneIsHeld) {
    const QStringList common{"--frames", "3-9", "--size", "146x98"};
    ASSERT_EQ(RenderVideo(common + QStringList{"--video", "war.mp4", "--jobs", "3", "--fps", "2",
                                               "--hold", "1.5"}),
              0);
    const std::vector<QImage> pictures = Pictures(common, 3, 9);
    EXPECT_TRUE(recording.opened);
    EXPECT_TRUE(recording.finished);
    EXPECT_EQ(recording.size, QSize(146, 98));
    EXPECT_EQ(recording.fps, 2);
    // Seven steps, the last of them shown three times: 1.5 s at 2 steps a second.
    ASSERT_EQ(recording.frames.size(), 7u + 2u);
    for (std::size_t i = 0; i < recording.frames.size(); ++i) {
        const QImage& expected = pictures[std::min<std::size_t>(i, pictures.size() - 1)];
        EXPECT_EQ(recording.frames[i], expected) << "frame " << i;
    }
    EXPECT_NE(recording.frames[0], recording.frames[6]);  // the steps do differ
}

TEST_F(VideoWritingTest, DefaultSizeFitsTheMapInto1920x1080InEvenPixels) {
    ASSERT_EQ(RenderVideo({"--frames", "0-0", "--video", "war.gif", "--hold", "0"}), 0);
    EXPECT_EQ(recording.size, DefaultVideoSize(QSize(1450, 970)));
    EXPECT_EQ(recording.frames.size(), 1u);  // no hold: the last step is shown once

    const struct {
        QSize map;
        QSize video;
    } cases[] = {
        {{1450, 970}, {1450, 970}},  // small enough: kept
        {{1451, 971}, {1450, 970}},  // odd: one pixel less
        {{3500, 2000}, {1890, 1080}}, {{4000, 1000}, {1920, 480}}, {{1000, 3000}, {360, 1080}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(DefaultVideoSize(test.map), test.video) << test.map.width();
    }
}

TEST_F(VideoWritingTest, HoldRepeatsTheLastFrameAtLeastOnce) {
    const struct {
        double fps;
        double hold;
        int repeats;
    } cases[] = {{4, 2, 8}, {4, 0, 1}, {4, 0.1, 1}, {0.5, 2, 1}, {2.5, 3, 8}, {60, 10, 600}};
    for (const auto& test : cases) {
        EXPECT_EQ(LastFrameRepeats(test.fps, test.hold), test.repeats)
            << test.fps << " " << test.hold;
    }
}

TEST(OrderedFramesTest, WorkersFinishingInAnyOrderHandOverInOrder) {
    const int first = 5;
    const int count = 40;
    OrderedFrames frames(first, 4);
    std::atomic<int> next{first};
    // Each worker draws the frames it takes; a frame's number is its width.
    auto worker = [&] {
        for (int frame = next++; frame < first + count; frame = next++) {
            if (!frames.Put(frame, QImage(frame, 1, QImage::Format_RGB32))) return;
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i) workers.emplace_back(worker);
    for (int frame = first; frame < first + count; ++frame) {
        const std::optional<QImage> taken = frames.Take();
        ASSERT_TRUE(taken);
        EXPECT_EQ(taken->width(), frame);
    }
    for (std::thread& thread : workers) thread.join();
}

TEST(OrderedFramesTest, StopReleasesTheWaitingWorkersAndTheConsumer) {
    OrderedFrames frames(0, 1);
    std::thread ahead([&] { EXPECT_FALSE(frames.Put(3, QImage())); });  // waits: 3 >= 0 + 1
    frames.Stop();
    ahead.join();
    EXPECT_FALSE(frames.Take());
}

TEST(FfmpegArgumentsTest, EachKindGetsItsCodecAndReadsRawFramesFromStandardInput) {
    const struct {
        QString file;
        QStringList wanted;
    } cases[] = {
        {"a.mp4", {"libx264", "yuv420p", "mp4"}},
        {"a.WEBM", {"libvpx-vp9", "yuv420p", "webm"}},
        {"a.gif", {"gif"}},
    };
    for (const auto& test : cases) {
        const std::optional<VideoKind> kind = VideoKindOf(test.file);
        ASSERT_TRUE(kind) << test.file.toStdString();
        const QStringList arguments = FfmpegArguments(*kind, QSize(640, 360), 4, "/tmp/out.part");
        for (const QString& wanted : test.wanted) {
            EXPECT_TRUE(arguments.contains(wanted)) << test.file.toStdString();
        }
        EXPECT_EQ(arguments.mid(arguments.indexOf("-video_size"), 6),
                  QStringList({"-video_size", "640x360", "-framerate", "4", "-i", "pipe:0"}));
        EXPECT_EQ(arguments.back(), "/tmp/out.part");
    }
    const QStringList gif = FfmpegArguments(VideoKind::Gif, QSize(640, 360), 4, "x");
    EXPECT_TRUE(gif.filter("palettegen").size() == 1 && gif.filter("paletteuse").size() == 1);
    EXPECT_FALSE(VideoKindOf("a.avi"));
    EXPECT_FALSE(VideoKindOf("mp4"));
}

}  // namespace
