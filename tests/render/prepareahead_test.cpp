#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QTemporaryDir>

#include "rendertestsupport.h"

namespace {

void Square(MapData& data, const std::string& name, int left, int top) {
    Territory& territory = data.territories[name];
    territory.name = name;
    territory.isSea = name.find("Sea Zone") != std::string::npos;
    territory.points = {{left, top}, {left + 80, top}, {left + 80, top + 80}, {left, top + 80}};
    territory.polygons = {{0, 4}};
    territory.placements = {{left + 10, top + 10}};
    territory.outlineCache.resize(1);
}

// Four squares; "Greens" and "Neutral" have no colour, so their territories take the next
// random colours, which shows in every frame whether the frames were drawn in the same order.
void FourSquaresMap(MapData& data) {
    data.mapWidth = 400;
    data.mapHeight = 200;
    Square(data, "West", 10, 10);
    Square(data, "Middle", 110, 10);
    Square(data, "East", 210, 10);
    Square(data, "Sea Zone 1", 10, 110);
    data.territories["Middle"].isCapital = true;
    data.territories["Middle"].capital = {130, 30};
    data.PlayerColours["Reds"] = 0xFFFF0000;
    data.PlayerColours["Blues"] = 0xFF0000FF;
}

// Which threads read the map: every load of a renderer, and whether it ran on the thread
// that made the renderer (the window's thread in the programs).
struct LoadLog {
    std::mutex mutex;
    int onWindowThread = 0;
    int elsewhere = 0;
    std::thread::id windowThread = std::this_thread::get_id();

    void Count() {
        std::lock_guard<std::mutex> lock(mutex);
        ++(std::this_thread::get_id() == windowThread ? onWindowThread : elsewhere);
    }
};

class PrepareAheadTest : public ::testing::Test {
protected:
    void SetUp() override { StartGuiForTests(); }

    // A renderer over frames frames of a war between three players, with labels, unit
    // quantities and change marks, all at the fixture's clock.
    Ref<MapRenderer> Make(int frames, LoadLog& log) {
        RendererEnvironment environment;
        environment.tickCount = [this] { return now; };
        Ref<MapRenderer> renderer;
        EXPECT_EQ(CreateMapRenderer(renderer.Receive(), environment), 0);
        renderer->SetImagesFolder(images.path().toStdString());
        renderer->SetTerritoryLabels(true);
        renderer->SetUnitQuantities(true);
        renderer->SetChangeMarks(true);
        renderer->SetWidth(300);
        renderer->SetHeight(150);
        ImplOf(renderer).loadMapData = [&log](MapData& data) {
            data.territories.clear();
            data.PlayerColours.clear();
            FourSquaresMap(data);
            log.Count();
            return true;
        };
        GameHistory& history = HistoryOf(renderer);
        const char* const players[] = {"Reds", "Blues", "Greens"};
        for (int frame = 0; frame < frames; ++frame) {
            const auto at = static_cast<std::size_t>(frame);
            SetTerritory(history, at, "West", players[frame % 3], "3");
            AddStack(SetTerritory(history, at, "Middle", players[(frame / 2) % 3], "10"),
                     players[frame % 2], "infantry", std::to_string(frame + 1));
            SetTerritory(history, at, "East", frame % 4 == 0 ? "" : "Greens");
            SetTerritory(history, at, "Sea Zone 1", "Neutral");
        }
        return renderer;
    }

    // The frame image on show and the window's picture.
    struct Picture {
        std::int32_t frame = -1;
        QImage image;
        QImage view;
    };
    static Picture Show(const Ref<MapRenderer>& renderer, CountingWindow& window) {
        Picture picture;
        renderer->Paint(&window, &picture.view);
        picture.frame = renderer->GetCurrentFrame();
        picture.image = ImplOf(renderer).frameCache[static_cast<std::size_t>(picture.frame)];
        return picture;
    }

    // One step of the animation ahead: a tick that starts or finds the drawing of the next
    // frame, the end of that drawing, and a tick that steps if the first one had to hold.
    void StepAhead(const Ref<MapRenderer>& renderer) {
        renderer->Tick();
        ImplOf(renderer).preparer->WaitUntilFinished();
        renderer->Tick();
    }

    QTemporaryDir images;
    std::uint32_t now = 100000;
    CountingWindow window;
};

TEST_F(PrepareAheadTest, TheWorkerDrawsTheSameFramesInTheSameOrder) {
    ASSERT_TRUE(images.isValid());
    WritePng(images.filePath("units/Reds/infantry.png").toStdString(), 20, 20, 0xFF00FF00);
    WritePng(images.filePath("flags/Blues.gif").toStdString(), 16, 12, 0xFFFFFF00);
    // A change of settings while the worker draws: its drawing is dropped, both renderers
    // prepare the frame on show afresh and go on alike.
    struct Case {
        int frames;
        int changeLabelsAtStep;  // -1: never
    };
    for (const Case& test : {Case{1, -1}, Case{2, -1}, Case{14, -1}, Case{14, 5}}) {
        SCOPED_TRACE(test.frames);
        LoadLog aheadLog;
        LoadLog windowLog;
        Ref<MapRenderer> onWindow = Make(test.frames, windowLog);
        Ref<MapRenderer> ahead = Make(test.frames, aheadLog);
        ahead->SetPrepareAhead(true);
        Picture expected = Show(onWindow, window);
        Picture got = Show(ahead, window);
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(step);
            ASSERT_EQ(got.frame, expected.frame);
            EXPECT_TRUE(got.image == expected.image);
            EXPECT_TRUE(got.view == expected.view);
            if (step == test.changeLabelsAtStep) {
                onWindow->SetTerritoryLabels(false);
                ahead->SetTerritoryLabels(false);
            }
            now += 20000;
            onWindow->Tick();
            StepAhead(ahead);
            expected = Show(onWindow, window);
            got = Show(ahead, window);
        }
        ImplOf(ahead).preparer->WaitUntilFinished();
        if (test.changeLabelsAtStep < 0) {
            // Only the first frame was read on the window's thread; the worker read the map
            // for the others, once each as the window's thread did.
            EXPECT_EQ(aheadLog.onWindowThread, 1);
            EXPECT_EQ(aheadLog.elsewhere, windowLog.onWindowThread - 1);
        }
    }
}

TEST_F(PrepareAheadTest, TheCurrentFrameStaysUntilTheNextIsDrawn) {
    LoadLog log;
    Ref<MapRenderer> renderer = Make(5, log);
    renderer->SetPrepareAhead(true);
    const Picture first = Show(renderer, window);
    ASSERT_EQ(first.frame, 4);

    // The worker's map load waits for the test; one on the window's thread would not.
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    MapRendererImpl& impl = ImplOf(renderer);
    impl.loadMapData = [load = impl.loadMapData, opened, &log](MapData& data) {
        if (std::this_thread::get_id() != log.windowThread) opened.wait();
        return load(data);
    };
    for (int tick = 0; tick < 3; ++tick) {
        now += 20000;
        renderer->Tick();
        const Picture shown = Show(renderer, window);
        EXPECT_EQ(shown.frame, 4);
        EXPECT_TRUE(shown.view == first.view);
    }
    EXPECT_EQ(log.onWindowThread, 1);  // the paints did not prepare frame 3 themselves

    gate.set_value();
    impl.preparer->WaitUntilFinished();
    const std::uint32_t drawnAt = now;
    renderer->Tick();
    EXPECT_EQ(Show(renderer, window).frame, 3);
    // Frame 3's delay counts from the step that showed it.
    now = drawnAt + 500;
    impl.preparer->WaitUntilFinished();
    renderer->Tick();
    EXPECT_EQ(renderer->GetCurrentFrame(), 3);
    now += 1;
    impl.preparer->WaitUntilFinished();
    renderer->Tick();
    EXPECT_EQ(renderer->GetCurrentFrame(), 2);
    EXPECT_EQ(log.onWindowThread, 1);
}

TEST_F(PrepareAheadTest, ReleasingTheRendererStopsTheWorkerMidDrawing) {
    LoadLog log;
    Ref<MapRenderer> renderer = Make(5, log);
    renderer->SetPrepareAhead(true);
    Show(renderer, window);
    std::promise<void> loading;
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    MapRendererImpl& impl = ImplOf(renderer);
    impl.loadMapData = [load = impl.loadMapData, opened, &loading](MapData& data) {
        loading.set_value();
        opened.wait();
        return load(data);
    };
    now += 20000;
    renderer->Tick();
    loading.get_future().wait();  // the worker is inside the map load of frame 3

    // The last reference goes while the worker draws; the release waits for the drawing to
    // stop, which it does once the load returns.
    std::promise<void> releasing;
    std::thread owner([&] {
        releasing.set_value();
        renderer.Reset();
    });
    releasing.get_future().wait();
    gate.set_value();
    owner.join();
    EXPECT_FALSE(renderer);
}

TEST_F(PrepareAheadTest, HandingOutTheLoaderDropsTheDrawingUnderWay) {
    LoadLog log;
    Ref<MapRenderer> renderer = Make(5, log);
    renderer->SetPrepareAhead(true);
    Show(renderer, window);
    now += 20000;
    renderer->Tick();
    MapRendererImpl& impl = ImplOf(renderer);
    // Frame 3 is being drawn, or drawn and not yet shown.
    ASSERT_TRUE(impl.preparer->Busy() || impl.preparedAhead);

    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    EXPECT_FALSE(impl.preparer->Busy());
    EXPECT_FALSE(impl.preparedAhead);
    // The animation goes on: the next tick has the frame drawn again.
    StepAhead(renderer);
    EXPECT_EQ(Show(renderer, window).frame, 3);
}

}  // namespace
