#include <gtest/gtest.h>

#include <cstdio>

#include "base/refcounted.h"
#include "recordingcanvas.h"
#include "render/paintercanvas.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

using Kind = RecordingCanvas::Kind;

// A territory state whose first unit stack cannot be handed out.
class FirstUnitMissing : public TerritoryState {
public:
    void GetName(std::string& out) override { out = "Broken"; }
    void SetName(const std::string&) override {}
    void GetOwner(std::string& out) override { out = "Germans"; }
    void SetOwner(const std::string&) override {}
    void GetProduction(std::string& out) override { out.clear(); }
    void SetProduction(const std::string&) override {}
    std::int32_t GetUnitCount(std::int32_t* count) override {
        if (count) *count = 2;
        return 2;
    }
    bool FindUnit(const std::string&, const std::string&, UnitStack**) override { return false; }
    bool GetUnit(std::int32_t index, UnitStack** out) override {
        if (index != 1) return false;
        Ref<UnitStack> stack;
        CreateUnitStack(stack.Receive());
        stack->SetOwner("Germans");
        stack->SetType("infantry");
        stack->SetQuantity("1");
        stack.CopyTo(out);
        return true;
    }
    void AddUnit(UnitStack*) override {}
    void ClearUnits() override {}
};

class UnitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        Impl().currentFrame = 0;
        Impl().imagesFolder = images.Path();
        WritePng(images.File("units/Germans/infantry.png"), 48, 40);
        WritePng(images.File("units/Germans/armour.png"), 30, 20);
        WritePng(images.File("flags/Germans_large.png"), 20, 10);
        Impl().largeFlags = true;
    }
    MapRendererImpl& Impl() { return ImplOf(renderer); }
    Territory& AddMapTerritory(const std::string& name, std::vector<MapPoint> placements) {
        Territory& territory = Impl().mapData.territories[name];
        territory.name = name;
        territory.placements = std::move(placements);
        return territory;
    }
    RecordingCanvas DrawTerritories() {
        RecordingCanvas canvas;
        Impl().DrawTerritories(canvas);
        return canvas;
    }
    RecordingCanvas DrawOverlay() {
        RecordingCanvas canvas;
        Impl().DrawOverlay(canvas);
        return canvas;
    }

    TemporaryFolder images;
    Ref<MapRenderer> renderer;
};

TEST_F(UnitsTest, SurplusStacksContinueRightOfTheLastPlacementWithABlackBar) {
    renderer->SetUnitColour(300, 1, -1);  // each component modulo 256
    Impl().unitQuantities = true;
    AddMapTerritory("Germany", {{100, 200}, {160, 200}, {220, 210}});
    TerritoryState& germany = SetTerritory(HistoryOf(renderer), 0, "Germany", "Germans");
    AddStack(germany, "Germans", "infantry", "1");
    AddStack(germany, "Germans", "armour", "12");
    AddStack(germany, "Germans", "infantry", "2");
    AddStack(germany, "Germans", "armour", "5");
    AddStack(germany, "Germans", "infantry", "1");

    const RecordingCanvas canvas = DrawTerritories();
    const auto units = canvas.Of(Kind::Image);
    ASSERT_EQ(units.size(), 5u);
    EXPECT_EQ(units[0].rect, QRectF(100, 200, 48, 40));
    EXPECT_EQ(units[1].rect, QRectF(160, 200, 30, 20));
    EXPECT_EQ(units[2].rect, QRectF(220, 210, 48, 40));
    EXPECT_EQ(units[3].rect, QRectF(268, 210, 30, 20));  // x of stack 2 + its width
    EXPECT_EQ(units[4].rect, QRectF(298, 210, 48, 40));

    const auto quantities = canvas.Of(Kind::Text);
    ASSERT_EQ(quantities.size(), 3u);  // "1" shows no number
    EXPECT_EQ(quantities[0].text, "12");
    EXPECT_EQ(quantities[0].rect, units[1].rect);
    EXPECT_EQ(quantities[1].text, "2");
    EXPECT_EQ(quantities[2].text, "5");
    EXPECT_EQ(quantities[0].colour, 0xFF2C01FFu);
    EXPECT_EQ(quantities[0].style.pointSize, 16);
    EXPECT_EQ(quantities[0].style.alignment, TextStyle::Alignment::RightToLeftNear);
    EXPECT_TRUE(quantities[0].style.clip);

    const auto bars = canvas.Of(Kind::Fill);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].points, Corners(268, 210, 30, 3));
    EXPECT_EQ(bars[1].points, Corners(298, 210, 48, 3));
    EXPECT_EQ(bars[0].colour, 0xFF000000u);
    // The bar lies over the unit and its number.
    EXPECT_EQ(canvas.calls.back().kind, Kind::Fill);
    EXPECT_EQ(canvas.calls[canvas.calls.size() - 3].kind, Kind::Fill);
    EXPECT_EQ(canvas.calls[canvas.calls.size() - 4].text, "5");

    Impl().unitQuantities = false;
    EXPECT_TRUE(DrawTerritories().Of(Kind::Text).empty());

    // Each unit image file is read once for the renderer's life.
    EXPECT_EQ(Impl().unitImages.size(), 2u);
    std::remove(images.File("units/Germans/armour.png").c_str());
    EXPECT_EQ(DrawTerritories().Of(Kind::Image).size(), 5u);
    EXPECT_EQ(Impl().unitImages.count(images.Path() + "/units/Germans/infantry.png"), 1u);
}

TEST_F(UnitsTest, NoPlacementsNoUnitsAndOverflowNeverStartsInAnotherTerritory) {
    AddMapTerritory("Aaa", {{900, 900}});
    TerritoryState& first = SetTerritory(HistoryOf(renderer), 0, "Aaa", "Germans");
    AddStack(first, "Germans", "infantry", "1");
    AddMapTerritory("Bare", {});
    AddStack(SetTerritory(HistoryOf(renderer), 0, "Bare", "Germans"), "Germans", "armour", "1");
    AddMapTerritory("Broken", {{10, 20}});
    Ref<TerritoryState> broken(new RefCounted<FirstUnitMissing>());
    HistoryOf(renderer).frames[0]["Broken"] = broken;

    const RecordingCanvas canvas = DrawTerritories();
    const auto units = canvas.Of(Kind::Image);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].rect, QRectF(900, 900, 48, 40));
    // Stack 1 of Broken overflows with no stack of Broken drawn before it.
    EXPECT_EQ(units[1].rect, QRectF(10, 20, 48, 40));
    EXPECT_EQ(canvas.Of(Kind::Fill).back().points, Corners(10, 20, 48, 3));
    // The armour of Bare was read even though it has nowhere to go.
    EXPECT_EQ(Impl().unitImages.size(), 2u);
}

TEST_F(UnitsTest, OverlayShowsThePlayersFlagAndTheCaption) {
    GameHistory& history = HistoryOf(renderer);
    history.frames.resize(3);
    history.players = {"Germans", "Russians", "Germans"};
    history.captions = {"Germans Combat Move", "Russians Purchase"};

    RecordingCanvas canvas = DrawOverlay();
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].kind, Kind::Image);
    EXPECT_EQ(canvas.calls[0].rect, QRectF(10, 10, 20, 10));
    EXPECT_EQ(canvas.calls[1].text, "Germans Combat Move");
    // One line, 10 pixels right of the flag and centred on its height.
    EXPECT_EQ(canvas.calls[1].rect, QRectF(40, 10, 0, 10));
    EXPECT_TRUE(canvas.calls[1].style.verticalCentre);
    EXPECT_EQ(canvas.calls[1].colour, 0xFFFFC800u);
    EXPECT_EQ(canvas.calls[1].style.pointSize, 30);
    EXPECT_EQ(canvas.calls[1].style.alignment, TextStyle::Alignment::Left);
    EXPECT_FALSE(canvas.calls[1].style.clip);
    EXPECT_EQ(canvas.calls[1].style.halo >> 24 != 0, true);

    Impl().currentFrame = 1;  // no flag file for Russians: the caption starts at (10, 35)
    canvas = DrawOverlay();
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].rect, QRectF(10, 35, 0, 0));
    EXPECT_FALSE(canvas.calls[0].style.verticalCentre);

    Impl().currentFrame = 2;  // a player but no caption
    EXPECT_TRUE(DrawOverlay().calls.empty());
    history.players.resize(2);
    history.captions.push_back("Germans Purchase");  // a caption but no player
    EXPECT_TRUE(DrawOverlay().calls.empty());
}

// The rectangle of the pixels that differ from the background, or a null one.
QRect DrawnArea(const QImage& image, QRgb background) {
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

TEST_F(UnitsTest, TheCaptionIsOneLineRightOfTheFlagAndInsideThePicture) {
    StartGuiForTests();
    const QRgb background = qRgb(128, 128, 128);
    WritePng(images.File("flags/Germans_large.png"), 100, 60, qRgb(200, 0, 0));
    GameHistory& history = HistoryOf(renderer);
    history.frames.resize(2);
    history.players = {"Germans", "Russians"};  // no flag file for Russians
    history.captions = {"Round 2 - Germans Combat Move", "Round 1 - Initializing Delegates"};
    // Where the caption lies, for the frame given: the flag's pixels are left out.
    auto captionArea = [&](int frame) {
        Impl().currentFrame = frame;
        QImage picture(1200, 200, QImage::Format_ARGB32_Premultiplied);
        picture.fill(background);
        {
            PainterCanvas canvas(picture);
            Impl().DrawOverlay(canvas);
        }
        if (frame == 0) {
            EXPECT_EQ(picture.pixel(60, 40), qRgb(200, 0, 0));
            for (int y = 10; y < 70; ++y) {
                for (int x = 10; x < 110; ++x) picture.setPixel(x, y, background);
            }
        }
        return DrawnArea(picture, background);
    };

    // Large flags are about 100 pixels wide: the caption is not wrapped into a column.
    const QRect besideFlag = captionArea(0);
    ASSERT_FALSE(besideFlag.isNull());
    EXPECT_GE(besideFlag.left(), 118);  // 10 + 100 + 10, less its halo
    EXPECT_LE(besideFlag.left(), 124);
    EXPECT_GT(besideFlag.width(), 400);
    EXPECT_LT(besideFlag.height(), 50);  // one line of a 40-pixel font
    EXPECT_NEAR(besideFlag.center().y(), 40, 6);

    // Without a flag the caption starts at x = 10, top at 35, whole.
    const QRect alone = captionArea(1);
    ASSERT_FALSE(alone.isNull());
    EXPECT_GE(alone.left(), 7);
    EXPECT_LE(alone.left(), 14);
    EXPECT_GE(alone.top(), 33);
    EXPECT_LT(alone.height(), 50);
    EXPECT_GT(alone.width(), 500);
}

}  // namespace
