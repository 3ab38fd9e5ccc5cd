#include <algorithm>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "base/refcounted.h"
#include "game/gameloaderimpl.h"
#include "gametestsupport.h"
#include "historytext.h"
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

// The lines of a text as the reader must cut them, taken one character at a time: a
// carriage return directly before a line feed belongs to the line end, a piece holds at
// most 255 characters with its line feed, and a line's text ends at a NUL.
std::vector<std::string> ReferenceLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string piece;
    const auto finish = [&] {
        if (!piece.empty() && piece.back() == '\n') piece.pop_back();
        lines.emplace_back(piece.c_str());
        piece.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i++];
        if (c == '\r' && i < text.size() && text[i] == '\n') c = text[i++];
        piece += c;
        if (c == '\n' || piece.size() == 255) finish();
    }
    if (!piece.empty()) finish();
    return lines;
}

// Random lines of up to 700 characters among a, b, carriage returns and NULs, ended by a
// line feed or a carriage return and line feed, so that pieces meet the ends of the
// reader's buffer in every way.
std::string RandomUnitLines(std::uint32_t seed, std::size_t bytes) {
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    const char alphabet[] = {'a', 'a', 'a', 'b', 'b', '\r', '\0'};
    std::string text;
    while (text.size() < bytes) {
        const std::uint32_t length = next(2) ? next(4) : next(700);
        for (std::uint32_t i = 0; i < length; ++i) text += alphabet[next(sizeof alphabet)];
        text += next(3) ? "\n" : "\r\n";
    }
    return text;
}

// The board of a territory "T" whose unit lines are the given text, as the lines of
// ReferenceLines make it.
std::string ReferenceBoard(const std::vector<std::string>& unitLines) {
    std::vector<std::tuple<std::string, std::string, int>> stacks;
    for (std::size_t i = 0; i + 1 < unitLines.size(); i += 2) {
        auto found = std::find_if(stacks.begin(), stacks.end(), [&](const auto& stack) {
            return std::get<0>(stack) == unitLines[i] && std::get<1>(stack) == unitLines[i + 1];
        });
        if (found == stacks.end()) {
            stacks.emplace_back(unitLines[i], unitLines[i + 1], 1);
        } else {
            ++std::get<2>(*found);
        }
    }
    std::string board = "o||";
    for (const auto& [type, owner, count] : stacks) {
        board += type + "/" + owner + "/" + std::to_string(count) + ",";
    }
    if (!stacks.empty()) board.pop_back();
    return board;
}

// Texts longer than the reader's buffer, so that pieces meet its end in every way: random
// lines, and runs of 254 characters and a carriage return and line feed (pieces of 255
// characters in 256 bytes) after 0 to 255 empty lines, so that one such piece starts at
// every place before the buffer's end.
TEST_F(ConverterTextTest, PiecesAreCutAtEveryPlaceOfTheBufferAsCharacterByCharacter) {
    std::vector<std::string> bodies;
    for (const std::uint32_t seed : {1u, 2u, 3u}) bodies.push_back(RandomUnitLines(seed, 300000));
    std::string run;
    for (int i = 0; i < 260; ++i) run += std::string(254, 'a') + "\r\n";
    for (int shift = 0; shift < 256; ++shift) bodies.push_back(std::string(shift, '\n') + run);
    const std::string header = "Step:1\n-\nPlayer:p\n-\n-\n-\nT\nOwner:o\n";
    for (const std::string& body : bodies) {
        const std::string expected = ReferenceBoard(ReferenceLines(body));
        ReadText(kMark + header + body + "End Territory\nEnd Frame\n");
        ASSERT_EQ(Frames(), 1);
        const std::string board = Board(*loader, 0, "T");
        const auto differ =
            std::mismatch(board.begin(), board.end(), expected.begin(), expected.end());
        ASSERT_TRUE(differ.first == board.end() && differ.second == expected.end())
            << "text of " << body.size() << " bytes, from byte " << differ.first - board.begin()
            << ": " << board.substr(differ.first - board.begin(), 40) << " instead of "
            << expected.substr(differ.second - expected.begin(), 40);
    }
}

// Every territory of every frame as text, in key order.
std::string WholeHistory(GameLoader& loader) {
    std::string text;
    const GameHistory& history = static_cast<GameLoaderImpl&>(loader).history;
    for (std::size_t frame = 0; frame < history.frames.size(); ++frame) {
        const auto index = static_cast<std::int32_t>(frame);
        text += Caption(loader, index) + ";" + Player(loader, index) + "\n";
        for (const auto& entry : history.frames[frame]) {
            text += entry.first + ":" + Board(loader, index, entry.first) + "\n";
        }
    }
    return text;
}

// Texts are stored once per reading and shared by every frame that names them: what differs
// from frame to frame must stay apart, a change made to one frame's stack must not show in
// another's, and a second reading gives the same frames.
TEST_F(ConverterTextTest, SharedTextsKeepFramesApartAndReadingTwiceGivesEqualFrames) {
    std::ostringstream generated;
    WriteHistoryText(generated, HistoryShape{7, 6, 20, 2});
    const std::string text = generated.str();
    ReadText(text);
    ASSERT_EQ(Frames(), 7);
    // Owners rotate among five players from frame to frame; 20 stacks per territory take the
    // indexed merge.
    EXPECT_EQ(Board(*loader, 0, "Territory 2").substr(0, 33), "Russians||infantry/Russians/2,arm");
    EXPECT_EQ(Board(*loader, 1, "Territory 2").substr(0, 33), "British||infantry/British/2,armou");
    EXPECT_EQ(Board(*loader, 5, "Territory 1"), Board(*loader, 0, "Territory 1"));
    const std::string first = WholeHistory(*loader);

    Ref<TerritoryState> territory;
    Ref<UnitStack> stack;
    ASSERT_TRUE(loader->FindTerritory(0, "Territory 1", territory.Receive()));
    ASSERT_TRUE(territory->GetUnit(0, stack.Receive()));
    stack->SetType("changed");
    stack->SetQuantity("7");
    EXPECT_EQ(Board(*loader, 0, "Territory 1").substr(0, 27), "Germans||changed/Germans/7,");
    EXPECT_EQ(Board(*loader, 5, "Territory 1").substr(0, 28), "Germans||infantry/Germans/2,");

    ReadText(text);
    EXPECT_EQ(WholeHistory(*loader), first);
    Ref<GameLoader> fresh;
    CreateGameLoader(fresh.Receive());
    fresh->SetGameFile(TestDataFile("definition-edges.xml"));
    fresh->SetConverterOutput(folder.Write("Trevo-again.txt", text));
    EXPECT_EQ(WholeHistory(*fresh), first);
}

// A territory of another implementation, as a history made by hand may hold: it passes
// every operation on to a territory of this library's.
class PassingOn : public TerritoryState {
public:
    PassingOn() { CreateTerritoryState(inner.Receive()); }
    void GetName(std::string& out) override { inner->GetName(out); }
    void SetName(const std::string& value) override { inner->SetName(value); }
    void GetOwner(std::string& out) override { inner->GetOwner(out); }
    void SetOwner(const std::string& value) override { inner->SetOwner(value); }
    void GetProduction(std::string& out) override { inner->GetProduction(out); }
    void SetProduction(const std::string& value) override { inner->SetProduction(value); }
    std::int32_t GetUnitCount(std::int32_t* count) override { return inner->GetUnitCount(count); }
    bool FindUnit(const std::string& type, const std::string& owner, UnitStack** out) override {
        return inner->FindUnit(type, owner, out);
    }
    bool GetUnit(std::int32_t index, UnitStack** out) override {
        return inner->GetUnit(index, out);
    }
    void AddUnit(UnitStack* stack) override { inner->AddUnit(stack); }
    void ClearUnits() override { inner->ClearUnits(); }

private:
    Ref<TerritoryState> inner;
};

TEST_F(ConverterTextTest, TerritoriesOfAnotherImplementationAreFilledThroughTheirInterface) {
    Ref<TerritoryState> byHand(new RefCounted<PassingOn>());
    byHand->SetProduction("3");
    static_cast<GameLoaderImpl&>(*loader).history.frames[0]["Hand"] = byHand;
    ReadText(kMark +
             Frame("1", "Germans",
                   Block("Hand", "Russians",
                         {{"inf", "Germans"}, {"arm", "Germans"}, {"inf", "Germans"}})) +
             Frame("2", "Germans", Block("Hand", "Germans", {{"inf", "Russians"}})));
    ASSERT_EQ(Frames(), 2);
    Ref<TerritoryState> found;
    ASSERT_TRUE(loader->FindTerritory(0, "Hand", found.Receive()));
    EXPECT_EQ(found, byHand);
    EXPECT_EQ(Board(*loader, 0, "Hand"), "Russians|3|inf/Germans/2,arm/Germans/1");
    EXPECT_EQ(Board(*loader, 1, "Hand"), "Germans|3|inf/Russians/1");
}

}  // namespace
