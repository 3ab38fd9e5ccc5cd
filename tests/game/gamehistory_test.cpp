#include <gtest/gtest.h>

#include "base/ref.h"
#include "game/gameloader.h"
#include "game/gameloaderimpl.h"

namespace {

Ref<UnitStack> MakeStack(const std::string& type, const std::string& owner,
                         const std::string& quantity) {
    Ref<UnitStack> stack;
    CreateUnitStack(stack.Receive());
    stack->SetType(type);
    stack->SetOwner(owner);
    stack->SetQuantity(quantity);
    return stack;
}

Ref<TerritoryState> MakeTerritory(const std::string& name, const std::string& owner) {
    Ref<TerritoryState> territory;
    CreateTerritoryState(territory.Receive());
    territory->SetName(name);
    territory->SetOwner(owner);
    return territory;
}

class GameHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CreateGameLoader(loader.Receive()), 0); }
    GameHistory& History() { return static_cast<GameLoaderImpl*>(loader.Get())->history; }
    void AddFrame(std::initializer_list<std::string> names) {
        HistoryFrame frame;
        for (const std::string& name : names) frame[name] = MakeTerritory(name, "Germans");
        History().frames.push_back(std::move(frame));
    }

    Ref<GameLoader> loader;
};

TEST_F(GameHistoryTest, CaptionsAppendAtTheirLengthReplaceBelowAndIgnoreBeyond) {
    for (int i = 0; i < 3; ++i) loader->SetFrameCaption(i, "c" + std::to_string(i));
    loader->SetFrameCaption(5, "beyond");
    loader->SetFrameCaption(-1, "negative");
    loader->SetFrameCaption(3, "appended");
    loader->SetFrameCaption(1, "replaced");
    EXPECT_EQ(History().captions,
              (std::vector<std::string>{"c0", "replaced", "c2", "appended"}));

    std::string out = "untouched";
    EXPECT_FALSE(loader->GetFrameCaption(4, out));
    EXPECT_FALSE(loader->GetFrameCaption(-1, out));
    EXPECT_EQ(out, "untouched");
    EXPECT_TRUE(loader->GetFrameCaption(3, out));
    EXPECT_EQ(out, "appended");
}

TEST_F(GameHistoryTest, PlayersCaptionsAndFramesGrowIndependently) {
    AddFrame({"Germany"});
    AddFrame({"Germany"});
    loader->SetFramePlayer(0, "Germans");
    EXPECT_EQ(loader->GetFrameCount(nullptr), 2);
    std::int32_t count = -1;
    EXPECT_EQ(loader->GetFrameCount(&count), 2);
    EXPECT_EQ(count, 2);

    std::string out;
    EXPECT_TRUE(loader->GetFramePlayer(0, out));
    EXPECT_EQ(out, "Germans");
    EXPECT_FALSE(loader->GetFramePlayer(1, out));   // frame 1 exists but has no player
    EXPECT_FALSE(loader->GetFrameCaption(0, out));  // nor any caption
}

TEST_F(GameHistoryTest, FindTerritoryChecksBoundsAndMatchesNamesExactly) {
    AddFrame({"Germany", "Sea Zone 1"});
    Ref<TerritoryState> found;
    EXPECT_FALSE(loader->FindTerritory(-1, "Germany", found.Receive()));
    EXPECT_FALSE(loader->FindTerritory(1, "Germany", found.Receive()));
    EXPECT_FALSE(loader->FindTerritory(0, "germany", found.Receive()));
    EXPECT_FALSE(loader->FindTerritory(0, "Germany ", found.Receive()));
    EXPECT_FALSE(found);
    ASSERT_TRUE(loader->FindTerritory(0, "Germany", found.Receive()));
    std::string name;
    found->GetName(name);
    EXPECT_EQ(name, "Germany");
}

TEST_F(GameHistoryTest, FramesIterateInByteOrder) {
    AddFrame({"beta", "Sea Zone 1", "Alpha", "\xC3\x84gypten"});
    std::vector<std::string> order;
    for (const auto& entry : History().frames[0]) order.push_back(entry.first);
    EXPECT_EQ(order, (std::vector<std::string>{"Alpha", "Sea Zone 1", "beta", "\xC3\x84gypten"}));
}

TEST_F(GameHistoryTest, AHandedOutTerritoryOutlivesItsFrame) {
    AddFrame({"Germany"});
    Ref<TerritoryState> kept;
    ASSERT_TRUE(loader->FindTerritory(0, "Germany", kept.Receive()));
    kept->AddUnit(MakeStack("infantry", "Germans", "3").Get());
    History().frames.clear();
    loader.Reset();
    std::string owner;
    kept->GetOwner(owner);
    EXPECT_EQ(owner, "Germans");
    EXPECT_EQ(kept->GetUnitCount(nullptr), 1);
}

TEST(TerritoryState, UnitStacksKeepInsertionOrderAndFindTheFirstMatch) {
    Ref<TerritoryState> territory = MakeTerritory("Germany", "Germans");
    territory->AddUnit(MakeStack("infantry", "Germans", "1").Get());
    territory->AddUnit(MakeStack("armour", "Germans", "2").Get());
    territory->AddUnit(MakeStack("infantry", "Germans", "3").Get());
    territory->AddUnit(MakeStack("infantry", "Russians", "4").Get());

    Ref<UnitStack> stack;
    std::string quantity;
    ASSERT_TRUE(territory->FindUnit("infantry", "Germans", stack.Receive()));
    stack->GetQuantity(quantity);
    EXPECT_EQ(quantity, "1");
    EXPECT_FALSE(territory->FindUnit("Infantry", "Germans", stack.Receive()));
    EXPECT_FALSE(territory->FindUnit("infantry", "Japanese", stack.Receive()));

    EXPECT_FALSE(territory->GetUnit(-1, stack.Receive()));
    EXPECT_FALSE(territory->GetUnit(4, stack.Receive()));
    ASSERT_TRUE(territory->GetUnit(3, stack.Receive()));
    stack->GetQuantity(quantity);
    EXPECT_EQ(quantity, "4");

    std::int32_t count = 0;
    EXPECT_EQ(territory->GetUnitCount(&count), 4);
    EXPECT_EQ(count, 4);
    territory->ClearUnits();
    EXPECT_EQ(territory->GetUnitCount(nullptr), 0);
    stack->GetOwner(quantity);  // a stack handed out before the clearing stays valid
    EXPECT_EQ(quantity, "Russians");
}

TEST_F(GameHistoryTest, ClearAllUnitsKeepsEverythingButTheUnits) {
    AddFrame({"Germany", "Poland"});
    AddFrame({"Germany"});
    loader->SetFrameCaption(0, "Round 1");
    for (auto& frame : History().frames) {
        for (auto& entry : frame) entry.second->AddUnit(MakeStack("infantry", "Germans", "2").Get());
    }
    ClearAllUnits(History());
    for (auto& frame : History().frames) {
        for (auto& entry : frame) {
            EXPECT_EQ(entry.second->GetUnitCount(nullptr), 0);
            std::string owner;
            entry.second->GetOwner(owner);
            EXPECT_EQ(owner, "Germans");
        }
    }
    EXPECT_EQ(History().captions.size(), 1u);
}

TEST_F(GameHistoryTest, SetGameFileAndSaveGameIgnoreTheStoredPathButConverterOutputNever) {
    auto* impl = static_cast<GameLoaderImpl*>(loader.Get());
    loader->SetGameFile("");
    EXPECT_EQ(impl->gameFilePath, "");
    loader->SetGameFile("/nowhere/revised.xml");
    EXPECT_EQ(impl->gameFilePath, "/nowhere/revised.xml");
    loader->SetConverterOutput("/nowhere/Trevo.txt");
    loader->SetConverterOutput("");
    EXPECT_EQ(impl->converterOutputPath, "");
    // The unreadable definition still leaves frame 0; the missing text changes nothing.
    EXPECT_EQ(loader->GetFrameCount(nullptr), 1);
}

}  // namespace
