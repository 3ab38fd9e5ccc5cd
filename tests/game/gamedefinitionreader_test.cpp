#include <filesystem>
#include <map>
#include <set>

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include "game/gameloaderimpl.h"
#include "gametestsupport.h"
#include "testsupport.h"

namespace {

class GameDefinitionTest : public ::testing::Test {
protected:
    void SetUp() override { CreateGameLoader(loader.Receive()); }

    GameHistory& History() { return static_cast<GameLoaderImpl*>(loader.Get())->history; }

    // Frame 0 with "Germany" owned by Germans and holding one stack, as an earlier reading
    // would leave it.
    void SeedFrame0() {
        Ref<TerritoryState> germany;
        CreateTerritoryState(germany.Receive());
        germany->SetName("Germany");
        germany->SetOwner("Germans");
        Ref<UnitStack> stack;
        CreateUnitStack(stack.Receive());
        germany->AddUnit(stack.Get());
        History().frames.resize(1);
        History().frames[0]["Germany"] = germany;
    }

    // Each text under a name of its own: the loader reads a path only when it changes.
    void Read(const std::string& text) {
        loader->SetGameFile(folder.Write("game" + std::to_string(++files) + ".xml", text));
    }

    Ref<GameLoader> loader;
    TemporaryFolder folder;
    int files = 0;
};

const char* const kHead =
    "<game><map><territory name=\"Germany\"/><territory name=\"Berlin\"/></map>"
    "<initialize><ownerInitialize><territoryOwner territory=\"Germany\" owner=\"Germans\"/>"
    "</ownerInitialize><unitInitialize>"
    "<unitPlacement unitType=\"infantry\" territory=\"Germany\" quantity=\"3\" owner=\"Germans\"/>";

TEST_F(GameDefinitionTest, ReadsOwnersUnitsAndProductionsLetterForLetter) {
    loader->SetGameFile(TestDataFile("definition-edges.xml"));
    ASSERT_EQ(loader->GetFrameCount(nullptr), 1);
    EXPECT_EQ(History().frames[0].size(), 3u);  // the second "Germany" adds nothing
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|infantry/Germans/3,infantry/Germans/02");
    // Its first option is not "production", and the corrected-spelling list is not read
    // when the original one is there.
    EXPECT_EQ(Board(*loader, 0, "Berlin"), "Russians||");
    // No owner gives "Neutral"; an attachment's element name does not matter.
    EXPECT_EQ(Board(*loader, 0, "Sea Zone 5"), "|0|battleship/Neutral/1");
    EXPECT_EQ(Board(*loader, 0, "Atlantis"), "absent");
}

TEST_F(GameDefinitionTest, CorrectedSpellingIsReadWhenTheOriginalListIsMissing) {
    loader->SetGameFile(TestDataFile("definition-corrected-spelling.xml"));
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|infantry/Germans/3");
    EXPECT_EQ(Board(*loader, 0, "Berlin"), "||");  // an old name inside the new list
}

TEST_F(GameDefinitionTest, SecondReadingKeepsTheObjectsAndReplacesTheUnits) {
    const std::string copy = folder.File("copy.xml");
    std::filesystem::copy_file(TestDataFile("definition-edges.xml"), copy);
    loader->SetGameFile(TestDataFile("definition-edges.xml"));
    Ref<TerritoryState> first;
    ASSERT_TRUE(loader->FindTerritory(0, "Germany", first.Receive()));
    loader->SetGameFile(copy);
    Ref<TerritoryState> second;
    ASSERT_TRUE(loader->FindTerritory(0, "Germany", second.Receive()));
    EXPECT_EQ(first, second);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|infantry/Germans/3,infantry/Germans/02");
}

TEST_F(GameDefinitionTest, ErrorsEndTheReadingAndKeepWhatWasStored) {
    SeedFrame0();
    Read("<notgame><map><territory name=\"Berlin\"/></map></notgame>");
    EXPECT_EQ(History().frames.size(), 1u);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans||");  // units cleared, owner kept
    EXPECT_EQ(Board(*loader, 0, "Berlin"), "absent");

    Read(std::string(kHead) + "</unitInitialize></initialize></game>");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans||infantry/Germans/3");  // no list

    Read(std::string(kHead) +
         "<unitPlacement unitType=\"armour\" quantity=\"1\" owner=\"Germans\"/>"
         "<unitPlacement unitType=\"fighter\" territory=\"Germany\" quantity=\"1\"/>"
         "</unitInitialize></initialize><attatchmentList>"
         "<attatchment name=\"territoryAttatchment\" attatchTo=\"Germany\">"
         "<option name=\"production\" value=\"10\"/></attatchment></attatchmentList></game>");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans||infantry/Germans/3");

    Read(std::string(kHead) +
         "</unitInitialize></initialize><attatchmentList>"
         "<attatchment name=\"territoryAttatchment\" attatchTo=\"Germany\">"
         "<option name=\"production\" value=\"10\"/></attatchment>"
         "<attatchment attatchTo=\"Berlin\"><option name=\"production\" value=\"2\"/></attatchment>"
         "</attatchmentList></game>");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|infantry/Germans/3");
    EXPECT_EQ(Board(*loader, 0, "Berlin"), "||");

    loader->SetGameFile(folder.File("missing.xml"));
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|");
}

TEST_F(GameDefinitionTest, TerritoriesMarkedWaterAreSeaZonesWhateverTheirNames) {
    // TripleA's own reading: "true" in any letter case, blanks around it ignored.
    Read("<game><map>"
         "<territory name=\"SZ 1 Hudson Bay\" water=\"true\"/>"
         "<territory name=\"SZ 2\" water=\" TRUE \"/>"
         "<territory name=\"SZ 3\" water=\"yes\"/>"
         "<territory name=\"Alpha\" water=\"false\"/>"
         "<territory name=\"Sea Zone 4\"/>"
         "<territory name=\"SZ 1 Hudson Bay\"/>"   // a second of a name changes nothing
         "<territory name=\"Beta\"/><territory name=\"Beta\" water=\"true\"/>"
         "</map></game>");
    const std::map<std::string, bool> expected = {
        {"SZ 1 Hudson Bay", true}, {"SZ 2", true},      {"SZ 3", false},  {"Alpha", false},
        {"Sea Zone 4", false},     {"Beta", false},     {"Atlantis", false}};
    for (const auto& [name, water] : expected) EXPECT_EQ(loader->IsWater(name), water) << name;

    // The next game definition's markings replace these, even when it cannot be read.
    Read("<game><map><territory name=\"Alpha\" water=\"true\"/></map></game>");
    EXPECT_TRUE(loader->IsWater("Alpha"));
    EXPECT_FALSE(loader->IsWater("SZ 2"));
    loader->SetGameFile(folder.File("missing.xml"));
    EXPECT_FALSE(loader->IsWater("Alpha"));
}

// What the reader must find in a real game file, gathered from its text by patterns.
struct ScannedDefinition {
    std::set<std::string> territories;
    std::set<std::string> water;
    std::map<std::string, std::string> owners;
    std::map<std::string, std::string> productions;
};

std::string AttributeIn(const QString& tag, const QString& name) {
    const QRegularExpression pattern("\\b" + name + "=\"([^\"]*)\"");
    return pattern.match(tag).captured(1).toStdString();
}

ScannedDefinition Scan(const std::string& path, bool correctedSpelling) {
    const QString text = QString::fromUtf8(ReadBytes(path));
    ScannedDefinition scanned;
    auto tags = QRegularExpression("<territory\\s[^>]*>").globalMatch(text);
    while (tags.hasNext()) {
        const QString tag = tags.next().captured();
        scanned.territories.insert(AttributeIn(tag, "name"));
        if (AttributeIn(tag, "water") == "true") scanned.water.insert(AttributeIn(tag, "name"));
    }
    tags = QRegularExpression("<territoryOwner\\s[^>]*>").globalMatch(text);
    while (tags.hasNext()) {
        const QString tag = tags.next().captured();
        scanned.owners[AttributeIn(tag, "territory")] = AttributeIn(tag, "owner");
    }
    const QString attachment = correctedSpelling ? "territoryAttachment" : "territoryAttatchment";
    const QString attachTo = correctedSpelling ? "attachTo" : "attatchTo";
    tags = QRegularExpression("name=\"" + attachment +
                              "\"[^>]*>\\s*<option\\s+name=\"production\"[^>]*>")
               .globalMatch(text);
    while (tags.hasNext()) {
        const QString tag = tags.next().captured();
        scanned.productions[AttributeIn(tag, attachTo)] =
            AttributeIn(tag.mid(tag.indexOf("<option")), "value");
    }
    return scanned;
}

TEST(RealGameDefinitions, FrameZeroHoldsEveryTerritoryOwnerAndProduction) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    const std::string downloaded = triplea + "/../downloadedMaps/world_war_ii_revised/map/games/";
    const std::vector<std::pair<std::string, bool>> files = {
        {triplea + "/games/revised.xml", false},
        {triplea + "/games/classic.xml", false},
        {triplea + "/games/pact_of_steel.xml", false},
        {triplea + "/games/minimap.xml", false},
        {downloaded + "ww2v2.xml", true},
        {downloaded + "lhtr.xml", true},
    };
    for (const auto& [path, correctedSpelling] : files) {
        SCOPED_TRACE(path);
        const ScannedDefinition scanned = Scan(path, correctedSpelling);
        ASSERT_FALSE(scanned.productions.empty());
        Ref<GameLoader> loader;
        CreateGameLoader(loader.Receive());
        loader->SetGameFile(path);
        const HistoryFrame& frame =
            static_cast<GameLoaderImpl*>(loader.Get())->history.frames.at(0);
        std::set<std::string> names;
        std::set<std::string> water;
        for (const auto& [name, territory] : frame) {
            names.insert(name);
            if (loader->IsWater(name)) water.insert(name);
            std::string owner;
            std::string production;
            territory->GetOwner(owner);
            territory->GetProduction(production);
            EXPECT_EQ(owner, scanned.owners.count(name) ? scanned.owners.at(name) : "") << name;
            EXPECT_EQ(production,
                      scanned.productions.count(name) ? scanned.productions.at(name) : "")
                << name;
        }
        EXPECT_EQ(names, scanned.territories);
        EXPECT_EQ(water, scanned.water);
        EXPECT_FALSE(water.empty());
    }
}

TEST(RealGameDefinitions, RevisedStartingUnitsAreSeparateStacksInFileOrder) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    Ref<GameLoader> loader;
    CreateGameLoader(loader.Receive());
    loader->SetGameFile(triplea + "/games/revised.xml");
    EXPECT_EQ(Board(*loader, 0, "Germany"),
              "Germans|10|factory/Germans/1,aaGun/Germans/1,infantry/Germans/3,armour/Germans/2,"
              "bomber/Germans/1,fighter/Germans/1");
}

}  // namespace
