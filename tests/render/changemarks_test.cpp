#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "recordingcanvas.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

using Kind = RecordingCanvas::Kind;

void Square(MapData& data, const std::string& name, int left, int top, int size) {
    Territory& territory = data.territories[name];
    territory.name = name;
    territory.isSea = name.find("Sea Zone") != std::string::npos;
    territory.points = {
        {left, top}, {left + size, top}, {left + size, top + size}, {left, top + size}};
    territory.polygons = {{0, 4}};
    territory.outlineCache.resize(1);
}

// Three lands in a row above a sea zone; the middle one is a capital.
void ThreeLandsMap(MapData& data) {
    data.mapWidth = 300;
    data.mapHeight = 220;
    Square(data, "West", 10, 20, 80);
    Square(data, "Middle", 110, 20, 80);
    Square(data, "East", 210, 20, 80);
    Square(data, "Sea Zone 1", 10, 120, 80);
    data.territories["Middle"].isCapital = true;
    data.territories["Middle"].capital = {130, 40};
    data.PlayerColours["Reds"] = 0xFFFF0000;
    data.PlayerColours["Blues"] = 0xFF0000FF;
    data.PlayerColours["Neutral"] = 0xFFC0C0C0;  // no random colours
}

class ChangeMarksTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartGuiForTests();
        ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        UseHandMadeMap(renderer, ThreeLandsMap);
        // A war of four steps: West falls to the Blues; then the Reds take the capital
        // Middle and the neutral East; then nothing changes. A territory without an owner
        // and one owned by "Neutral" are the same.
        GameHistory& history = HistoryOf(renderer);
        const char* const owners[4][3] = {{"Reds", "Blues", ""},
                                          {"Blues", "Blues", "Neutral"},
                                          {"Blues", "Reds", "Reds"},
                                          {"Blues", "Reds", "Reds"}};
        for (std::size_t frame = 0; frame < 4; ++frame) {
            SetTerritory(history, frame, "West", owners[frame][0]);
            SetTerritory(history, frame, "Middle", owners[frame][1]);
            SetTerritory(history, frame, "East", owners[frame][2]);
        }
        SetTerritory(history, 2, "Sea Zone 1", "");  // present in one frame only
    }
    MapRendererImpl& Impl() { return ImplOf(renderer); }

    // The marks drawn over a frame, after its territories.
    RecordingCanvas Marks(int frame) {
        Impl().currentFrame = frame;
        Impl().loadMapData(Impl().mapData);
        RecordingCanvas territories;
        Impl().DrawTerritories(territories);
        RecordingCanvas marks;
        Impl().DrawChangeMarks(marks);
        return marks;
    }

    // The territories whose closed outline a band follows.
    std::set<std::string> Outlined(const RecordingCanvas& canvas, double width) {
        std::set<std::string> names;
        for (const RecordingCanvas::Call& call : canvas.Of(Kind::Outline)) {
            if (call.width != width) continue;
            for (const auto& [name, territory] : Impl().mapData.territories) {
                if (call.points == territory.outlineCache.front()) names.insert(name);
            }
        }
        return names;
    }

    QImage Prepared(int frame, bool marks) {
        renderer->SetChangeMarks(marks);
        Impl().currentFrame = frame;
        Impl().SizeFrameCache();
        Impl().PrepareFrame();
        EXPECT_TRUE(Impl().ready);
        return Impl().frameCache[static_cast<std::size_t>(frame)];
    }

    Ref<MapRenderer> renderer;
};

TEST_F(ChangeMarksTest, BandsFollowExactlyTheTerritoriesWhoseOwnerChanged) {
    const std::vector<std::set<std::string>> changed = {{}, {"West"}, {"East", "Middle"}, {}};
    for (int frame = 0; frame < 4; ++frame) {
        const RecordingCanvas marks = Marks(frame);
        // A dark band, and a light one inside it, along each changed territory.
        EXPECT_EQ(Outlined(marks, 14), changed[static_cast<std::size_t>(frame)]) << frame;
        EXPECT_EQ(Outlined(marks, 6), changed[static_cast<std::size_t>(frame)]) << frame;
        for (const RecordingCanvas::Call& call : marks.Of(Kind::Outline)) {
            EXPECT_EQ(call.colour,
                      call.width == 14 || call.width == 10 ? 0xFF000000u : 0xFFFFFFFFu);
        }
        EXPECT_TRUE(marks.Of(Kind::Fill).empty() && marks.Of(Kind::Image).empty() &&
                    marks.Of(Kind::Text).empty());
    }
}

TEST_F(ChangeMarksTest, ACapitalThatChangedHandsHasItsFlagRinged) {
    // The ring goes around the box of the new owner's flag at the capital point: without a
    // flag file a box of 32 x 32; with one, the picture's own size, which need not be square.
    const struct {
        int flagWidth;  // 0: no flag file
        int flagHeight;
        double boxWidth;
        double boxHeight;
    } cases[] = {
        {0, 0, 32, 32},
        {30, 20, 30, 20},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.flagWidth);
        TemporaryFolder images;
        if (entry.flagWidth > 0) {
            WritePng(images.File("flags/Reds_large.png"), entry.flagWidth, entry.flagHeight);
        }
        renderer->SetImagesFolder(images.Path());
        renderer->SetLargeFlags(true);
        Impl().flagImages.clear();
        for (int frame = 0; frame < 4; ++frame) {
            std::vector<RecordingCanvas::Call> rings;
            for (const RecordingCanvas::Call& call : Marks(frame).Of(Kind::Outline)) {
                if (call.points.size() == 48) rings.push_back(call);
            }
            if (frame != 2) {
                EXPECT_TRUE(rings.empty()) << frame;
                continue;
            }
            ASSERT_EQ(rings.size(), 2u);  // dark, then light
            EXPECT_EQ(rings[0].width, 10);
            EXPECT_EQ(rings[1].width, 4);
            QPointF sum;
            for (const QPointF& point : rings[0].points) sum += point;
            const QPointF centre = sum / 48;
            EXPECT_NEAR(centre.x(), 130 + entry.boxWidth / 2, 1e-6);
            EXPECT_NEAR(centre.y(), 40 + entry.boxHeight / 2, 1e-6);
            EXPECT_GT(QLineF(centre, rings[0].points.front()).length(),
                      std::hypot(entry.boxWidth, entry.boxHeight) / 2);
        }
    }
}

TEST_F(ChangeMarksTest, MarksAreDrawnOverTheFrameAndChangeNothingElse) {
    const QImage plainFirst = Prepared(0, false);
    EXPECT_EQ(Prepared(0, true), plainFirst);  // the first step has no marks

    const QImage plain = Prepared(1, false);
    const QImage marked = Prepared(1, true);
    EXPECT_EQ(plain.pixel(50, 20), 0xFF000000u);   // West's top edge: its black outline
    EXPECT_EQ(marked.pixel(50, 20), 0xFFFFFFFFu);  // the light band on it
    EXPECT_EQ(plain.pixel(50, 25), 0xFF0000FFu);   // just inside: Blue
    EXPECT_EQ(marked.pixel(50, 25), 0xFF000000u);  // the dark band
    EXPECT_EQ(marked.pixel(50, 60), plain.pixel(50, 60));
    // Away from West's outline every pixel is as before.
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 100; x < plain.width(); ++x) {
            ASSERT_EQ(marked.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(ChangeMarksTest, SwitchingTheMarksDrawsTheFramesAgain) {
    Prepared(1, false);
    Impl().frameDirty[1] = 0;
    renderer->SetChangeMarks(true);
    EXPECT_TRUE(Impl().frameCache.empty());
    Prepared(1, true);
    renderer->SetChangeMarks(true);  // unchanged: the cache stays
    EXPECT_FALSE(Impl().frameCache.empty());
}

}  // namespace
