#include <gtest/gtest.h>

#include "gametestsupport.h"
#include "testsupport.h"

namespace {

const std::string kMark = "TrevoConvert\n";

// One frame: the six frame lines, the territory blocks, "End Frame".
std::string Frame(const std::string& caption, const std::string& player,
                  const std::string& blocks) {
    return "Step:" + caption + "\nRound: 1\nPlayer:" + player + "\n-\n-\n-\n" + blocks +
           "End Frame\n";
}

// A territory block; units are (type, owner) line pairs.
std::string Block(const std::string& name, const std::string& owner,
                  const std::vector<std::pair<std::string, std::string>>& units = {}) {
    std::string block = name + "\nOwner:" + owner + "\n";
    for (const auto& [type, unitOwner] : units) block += type + "\n" + unitOwner + "\n";
    return block + "End Territory\n";
}

std::string WithCarriageReturns(const std::string& text) {
    std::string result;
    for (char c : text) result += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return result;
}

class ConverterTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateGameLoader(loader.Receive());
        loader->SetGameFile(TestDataFile("definition-edges.xml"));
    }
    void ReadText(const std::string& text) {
        loader->SetConverterOutput(folder.Write("Trevo.txt", text));
    }
    std::int32_t Frames() { return loader->GetFrameCount(nullptr); }
    std::string StackQuantity(std::int32_t frame, const std::string& territoryName) {
        Ref<TerritoryState> territory;
        Ref<UnitStack> stack;
        std::string quantity = "none";
        if (loader->FindTerritory(frame, territoryName, territory.Receive()) &&
            territory->GetUnit(0, stack.Receive())) {
            stack->GetQuantity(quantity);
        }
        return quantity;
    }

    Ref<GameLoader> loader;
    TemporaryFolder folder;
};

TEST_F(ConverterTextTest, TwoFramesGiveTwoFramesWithMergedStacksWhateverTheLineEnds) {
    const std::string text =
        kMark +
        Frame(" 3:more", "Germans:x",
              Block("Germany", "Russians",
                    {{"infantry", "Germans"}, {"infantry", "Germans"}, {"armour", "Germans"}}) +
                  Block("Berlin", "Germans")) +
        Frame("Round 2", "Russians", Block("Germany", "Germans", {{"infantry", "Germans"}}));
    for (const std::string& variant : {text, WithCarriageReturns(text)}) {
        SetUp();
        Ref<TerritoryState> fromDefinition;
        loader->FindTerritory(0, "Germany", fromDefinition.Receive());
        ReadText(variant);
        ASSERT_EQ(Frames(), 2);
        EXPECT_EQ(Caption(*loader, 0), " 3");
        EXPECT_EQ(Player(*loader, 0), "Germans");
        EXPECT_EQ(Caption(*loader, 1), "Round 2");
        EXPECT_EQ(Player(*loader, 1), "Russians");
        EXPECT_EQ(Caption(*loader, 2), "none");
        EXPECT_EQ(Board(*loader, 0, "Germany"), "Russians|10|infantry/Germans/2,armour/Germans/1");
        EXPECT_EQ(Board(*loader, 0, "Berlin"), "Germans||");
        EXPECT_EQ(Board(*loader, 0, "Sea Zone 5"), "|0|");  // not listed: definition, no units
        EXPECT_EQ(Board(*loader, 1, "Germany"), "Germans|10|infantry/Germans/1");
        EXPECT_EQ(Board(*loader, 1, "Berlin"), "absent");
        Ref<TerritoryState> frameZero;
        loader->FindTerritory(0, "Germany", frameZero.Receive());
        EXPECT_EQ(frameZero, fromDefinition);
    }
}

TEST_F(ConverterTextTest, AnyOtherFirstLineLeavesTheHistoryAlone) {
    for (const std::string& text :
         {std::string(), std::string("TrevoConvert \n"), std::string("TrevoConvert"),
          std::string("trevoconvert\n"), std::string("\xEF\xBB\xBFTrevoConvert\n")}) {
        ReadText(text + Frame("c", "p", "End Frame\n"));
        EXPECT_EQ(Frames(), 1);
        EXPECT_EQ(Board(*loader, 0, "Germany"),
                  "Germans|10|infantry/Germans/3,infantry/Germans/02");
    }
    loader->SetConverterOutput(folder.File("missing.txt"));
    loader->SetConverterOutput(folder.Path());
    EXPECT_EQ(Frames(), 1);
}

// The frame in progress at the end goes, so a truncated text keeps only its whole frames.
TEST_F(ConverterTextTest, TheFrameInProgressAtTheEndIsRemoved) {
    ReadText(kMark);
    EXPECT_EQ(Frames(), 0);
    SetUp();
    const std::string text =
        kMark + Frame("1", "Germans", Block("Germany", "Germans", {{"infantry", "Germans"}})) +
        Frame("2", "Russians", Block("Germany", "Russians", {{"infantry", "Russians"}}));
    ReadText(text.substr(0, text.size() - 30));
    ASSERT_EQ(Frames(), 1);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans|10|infantry/Germans/1");
}

TEST_F(ConverterTextTest, LinesComeInPiecesOf255Characters) {
    const std::string caption250(250, 'c');
    const std::string name255(255, 'n');
    ReadText(kMark +
             // 255 characters and then an empty line, which is frame line 2.
             "Step:" + caption250 + "\nPlayer:Germans\n-\n-\n-\n" +
             // 254 characters before a carriage return and line feed make one line.
             std::string(254, 'g') + "\r\nOwner:Russians\nEnd Territory\n" +
             // 600 characters: pieces of 255, 255 and 90.
             name255 + name255 + std::string(90, 'x') + "\nGermans\nEnd Territory\nEnd Frame\n");
    ASSERT_EQ(Frames(), 1);
    EXPECT_EQ(Caption(*loader, 0), caption250);
    EXPECT_EQ(Player(*loader, 0), "Germans");
    EXPECT_EQ(Board(*loader, 0, std::string(254, 'g')), "Russians||");
    EXPECT_EQ(Board(*loader, 0, name255), "||" + std::string(90, 'x') + "/Germans/1");
}

// A caption, player or owner line without a colon gives an empty value, so that nothing
// of an earlier reading or of the game definition shows in its place.
TEST_F(ConverterTextTest, LinesWithoutColonGiveEmptyValues) {
    ReadText(kMark + Frame("old", "old", "End Frame\n"));
    ReadText(kMark +
             "Step 1\nRound\nGermans\n-\n-\n-\nGermany\nRussians\nEnd Territory\nEnd Frame\n");
    ASSERT_EQ(Frames(), 1);
    EXPECT_EQ(Caption(*loader, 0), "");
    EXPECT_EQ(Player(*loader, 0), "");
    EXPECT_EQ(Board(*loader, 0, "Germany"), "|10|");
}

// Frames that begin with a marker instead of their frame lines still get a frame of their
// own, and the frames after them keep their captions and territories.
TEST_F(ConverterTextTest, FramesStartingWithAMarkerKeepTheFramesInStep) {
    ReadText(kMark + Frame("One", "Germans", Block("Germany", "Germans")) + "End Frame\n" +
             "End Territory\n" + Block("Germany", "Russians") + "End Frame\n" +
             Frame("Four", "Russians", Block("Berlin", "Russians")));
    ASSERT_EQ(Frames(), 4);
    EXPECT_EQ(Caption(*loader, 1), "");
    EXPECT_EQ(Board(*loader, 1, "Germany"), "absent");
    EXPECT_EQ(Board(*loader, 2, "Germany"), "Russians|10|");
    EXPECT_EQ(Caption(*loader, 3), "Four");
    EXPECT_EQ(Player(*loader, 3), "Russians");
    EXPECT_EQ(Board(*loader, 3, "Berlin"), "Russians||");
}

TEST_F(ConverterTextTest, HistoryWithoutFramesGetsTheTextsFrames) {
    CreateGameLoader(loader.Receive());
    ReadText(kMark + Frame("1", "Germans", Block("Germany", "Germans")) +
             Frame("2", "Russians", Block("Germany", "Russians")));
    ASSERT_EQ(Frames(), 2);
    EXPECT_EQ(Board(*loader, 0, "Germany"), "Germans||");
    EXPECT_EQ(Board(*loader, 1, "Germany"), "Russians||");
}

// Reading again gives exactly the new text: surplus frames, their captions and players
// go, and so do territories a reused frame no longer lists; listed ones keep their object.
TEST_F(ConverterTextTest, ReadingAgainGivesExactlyTheNewText) {
    const std::string zero = Frame("0", "Germans", Block("Germany", "Germans"));
    ReadText(kMark + zero +
             Frame("1", "Germans", Block("Germany", "Germans") + Block("Berlin", "Germans")) +
             Frame("2", "Russians", Block("Germany", "Russians")));
    Ref<TerritoryState> before;
    loader->FindTerritory(1, "Germany", before.Receive());
    ReadText(kMark + zero + Frame("1 again", "Russians", Block("Germany", "Russians")));
    ASSERT_EQ(Frames(), 2);
    EXPECT_EQ(Caption(*loader, 1), "1 again");
    EXPECT_EQ(Caption(*loader, 2), "none");
    EXPECT_EQ(Player(*loader, 2), "none");
    EXPECT_EQ(Board(*loader, 1, "Berlin"), "absent");
    Ref<TerritoryState> after;
    loader->FindTerritory(1, "Germany", after.Receive());
    EXPECT_EQ(after, before);
    EXPECT_EQ(Board(*loader, 1, "Germany"), "Russians|10|");
}

TEST_F(ConverterTextTest, ShiftedUnitPairsSwapUntilTheTerritoryEnds) {
    ReadText(kMark + Frame("1", "Germans",
                           "Germany\nOwner:Germans\ninfantry\nGermans\nextra line\ninfantry\n"
                           "Germans\narmour\nGermans\nEnd Territory\n" +
                               Block("Berlin", "Russians", {{"infantry", "Russians"}})));
    EXPECT_EQ(Board(*loader, 0, "Germany"),
              "Germans|10|infantry/Germans/1,extra line/infantry/1,Germans/armour/1");
    EXPECT_EQ(Board(*loader, 0, "Berlin"), "Russians||infantry/Russians/1");
}

TEST_F(ConverterTextTest, UnitsMergeIntoTheStackOfTheirTypeAndOwnerInOrderOfFirstSight) {
    struct Case {
        std::string blocks;
        std::string germany;  // Board of frame 0's Germany
    };
    const Case cases[] = {
        {Block("Germany", "Germans",
               {{"inf", "Germans"}, {"inf", "Russians"}, {"arm", "Germans"}, {"inf", "Germans"},
                {"arm", "Germans"}, {"inf", "Russians"}, {"inf", "Germans"}}),
         "Germans|10|inf/Germans/3,inf/Russians/2,arm/Germans/2"},
        // Type and owner are kept apart: "ab"/"c" and "a"/"bc" are two stacks.
        {Block("Germany", "Germans", {{"ab", "c"}, {"a", "bc"}, {"ab", "c"}}),
         "Germans|10|ab/c/2,a/bc/1"},
        // A territory listed twice in a frame goes on counting into its stacks.
        {Block("Germany", "Germans", {{"inf", "Germans"}}) + Block("Berlin", "Germans") +
             Block("Germany", "Russians", {{"arm", "Germans"}, {"inf", "Germans"}}),
         "Russians|10|inf/Germans/2,arm/Germans/1"},
    };
    // Many stacks: 30 types of two owners, each seen three times, with the territory listed
    // again in between.
    std::vector<std::pair<std::string, std::string>> many;
    std::string manyBoard = "Russians|10|";
    for (int i = 0; i < 60; ++i) {
        many.emplace_back("t" + std::to_string(i / 2), i % 2 ? "Russians" : "Germans");
        manyBoard += many.back().first + "/" + many.back().second + "/3,";
    }
    manyBoard.pop_back();
    std::vector<std::pair<std::string, std::string>> reversed(many.rbegin(), many.rend());
    const std::string manyBlocks = Block("Germany", "Germans", many) + Block("Berlin", "Germans") +
                                   Block("Germany", "Russians", reversed) +
                                   Block("Germany", "Russians", many);
    const Case all[] = {cases[0], cases[1], cases[2], {manyBlocks, manyBoard}};
    for (const Case& c : all) {
        SCOPED_TRACE(c.germany);
        ReadText(kMark + Frame("1", "Germans", c.blocks) +
                 Frame("2", "Germans", Block("Germany", "Germans", {{"arm", "Germans"}})));
        EXPECT_EQ(Board(*loader, 0, "Germany"), c.germany);
        EXPECT_EQ(Board(*loader, 1, "Germany"), "Germans|10|arm/Germans/1");  // a frame anew
    }
}

TEST_F(ConverterTextTest, BinaryBytesAndUnusualNamesAreTakenAsTheyCome) {
    std::string noise;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 1 << 20; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise += static_cast<char>(seed >> 24);
    }
    ReadText(kMark + noise);
    EXPECT_EQ(Frames(), 0);

    // Names that are not UTF-8 are keys byte for byte; a NUL ends a line's text.
    ReadText(kMark +
             Frame("1", "Germans",
                   Block("\xC4gypten\xFF", "\xFE\xFF", {{"inf", std::string("Ger\0x", 5)}})));
    EXPECT_EQ(Board(*loader, 0, "\xC4gypten\xFF"), "\xFE\xFF||inf/Ger/1");
}

TEST_F(ConverterTextTest, TenMegabyteLineIsReadAsPieces) {
    // 41,121 pieces: territory line 1, its owner, 20,559 unit pairs, and a last unit type.
    const std::string line(10 * 1024 * 1024, 'x');
    ReadText(kMark + "Step:1\n-\nPlayer:p\n-\n-\n-\n" + line + "\nEnd Frame\n");
    ASSERT_EQ(Frames(), 1);
    EXPECT_EQ(StackQuantity(0, std::string(255, 'x')), "20559");
}

}  // namespace
