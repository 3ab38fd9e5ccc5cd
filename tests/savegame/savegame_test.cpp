// Quelm's own reader of TripleA's saved games, on real saves of TripleA 2.x and 1.9 and on
// damaged ones. (The byte-for-byte comparison with the Java converter on TripleA 1.9 saves
// lives with the converter's tests.)
#include <zlib.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/ref.h"
#include "game/gameloader.h"
#include "gametestsupport.h"
#include "savegame/savedgame.h"
#include "savegame/savedgamefile.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

// The saves of TripleA 2.x shared beside the project, with the game each was started from.
struct TwoXSave {
    const char* save;
    const char* game;
};
const TwoXSave kTwoXSaves[] = {
    {"revisted_start_of_game.tsvg", "downloadedMaps/world_war_ii_revised/map/games/ww2v2.xml"},
    {"revised_during_casualty_selection.tsvg",
     "downloadedMaps/world_war_ii_revised/map/games/ww2v2.xml"},
    {"nwo_smalls_ai_game_during_combat.tsvg", "saves-2x/new_world_order_smalls.xml"},
    {"civil_war_house_divided_during_union_actions_and_operations.tsvg", "saves-2x/Civil_War.xml"},
};

std::string TripleAData(const std::string& shared) {
    return fs::path(shared).parent_path().string();
}

using UnitCounts = std::map<std::string, int>;  // "type/owner" to count

std::string OwnerShown(std::string owner) { return owner.empty() ? "Neutral" : owner; }

// One territory as "owner: type/owner xN ..." from the game definition's starting board.
std::string DefinitionBoard(GameLoader& loader, const std::string& name) {
    Ref<TerritoryState> territory;
    if (!loader.FindTerritory(0, name, territory.Receive())) return "absent";
    std::string owner;
    territory->GetOwner(owner);
    UnitCounts counts;
    for (std::int32_t i = 0; i < territory->GetUnitCount(nullptr); ++i) {
        Ref<UnitStack> stack;
        territory->GetUnit(i, stack.Receive());
        std::string type, stackOwner, quantity;
        stack->GetType(type);
        stack->GetOwner(stackOwner);
        stack->GetQuantity(quantity);
        counts[type + "/" + OwnerShown(stackOwner)] += std::stoi(quantity);
    }
    std::string text = OwnerShown(owner) + ":";
    for (const auto& [key, count] : counts) text += " " + key + "x" + std::to_string(count);
    return text;
}

std::string SavedBoard(const tripleagame::Game& game, const savedhistory::Board& board,
                       std::size_t territory) {
    UnitCounts counts;
    for (const tripleagame::UnitId unit : board.Units(territory))
        counts[game.Name(game.units[unit].type) + "/" + game.Name(board.UnitOwner(unit))] += 1;
    std::string text = game.Name(board.Owner(territory)) + ":";
    for (const auto& [key, count] : counts) text += " " + key + "x" + std::to_string(count);
    return text;
}

std::string Gzip(const std::string& bytes) {
    z_stream zip{};
    deflateInit2(&zip, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&zip, bytes.size()), '\0');
    zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zip.avail_in = static_cast<uInt>(bytes.size());
    zip.next_out = reinterpret_cast<Bytef*>(packed.data());
    zip.avail_out = static_cast<uInt>(packed.size());
    deflate(&zip, Z_FINISH);
    packed.resize(zip.total_out);
    deflateEnd(&zip);
    return packed;
}

}  // namespace

// Every change of a 2.x save undone gives the game definition's starting board: owners, and
// units by type and owner, territory by territory.
TEST(SavedGameTest, TwoXSavesUndoneGiveTheStartingBoardOfTheirGame) {
    QUELM_REQUIRE_SHARED_TRIPLEA(shared);
    const std::string data = TripleAData(shared);
    for (const TwoXSave& entry : kTwoXSaves) {
        SCOPED_TRACE(entry.save);
        const std::string save = data + "/saves-2x/" + entry.save;
        if (!fs::exists(save)) GTEST_SKIP() << "no " << save;
        tripleagame::Game game;
        savedhistory::Tree tree;
        SavedGameError error;
        ASSERT_TRUE(ReadSavedGameFile(save, game, tree, error)) << error.message;
        EXPECT_TRUE(game.newHistoryRules);
        savedhistory::Board board(game);
        board.Seek(static_cast<std::int32_t>(game.ChangeCount()), 0);

        Ref<GameLoader> loader;
        CreateGameLoader(loader.Receive());
        loader->SetGameFile(data + "/" + entry.game);
        ASSERT_GT(game.territories.size(), 20u);
        int differences = 0;
        for (std::size_t t = 0; t < game.territories.size() && differences < 5; ++t) {
            const std::string& name = game.territories[t].name;
            const std::string expected = DefinitionBoard(*loader, name);
            const std::string saved = SavedBoard(game, board, t);
            EXPECT_EQ(saved, expected) << name;
            differences += saved != expected;
        }
    }
}

// The text of a save drawn in the middle of a battle: its steps, each with every territory,
// and the history tree names what the game did.
TEST(SavedGameTest, TwoXSaveGivesFramesAndATree) {
    QUELM_REQUIRE_SHARED_TRIPLEA(shared);
    const std::string save =
        TripleAData(shared) + "/saves-2x/revised_during_casualty_selection.tsvg";
    std::string text;
    SavedGameError error;
    ASSERT_TRUE(ReadSavedGameText(save, text, error)) << error.message;
    EXPECT_EQ(text.rfind("TrevoConvert\nCaption:Round 1 - Initializing Delegates\nRound:1\n", 0),
              0u);
    std::size_t frames = 0;
    for (std::size_t at = text.find("End Frame\n"); at != std::string::npos;
         at = text.find("End Frame\n", at + 1))
        ++frames;
    EXPECT_EQ(frames, 12u);
    EXPECT_NE(text.find("Player:Russians\nStep:russianBattle\n"), std::string::npos);

    std::string tree;
    ASSERT_TRUE(DescribeSavedGame(save, tree, error)) << error.message;
    EXPECT_NE(tree.find("\n  Step Combat\trussianBattle\tRussians\t7 changes\n"
                        "    Event Battle in West Russia\t6 changes\n"),
              std::string::npos)
        << tree;
}

// Whatever is wrong with a file, the reader answers with one line that names it, and a
// stream of data after the gzip'd save does not matter.
TEST(SavedGameTest, DamagedFilesGiveOneLineNamingTheFile) {
    QUELM_REQUIRE_SHARED_TRIPLEA(shared);
    const std::string real =
        ReadBytes(TripleAData(shared) + "/saves-2x/revisted_start_of_game.tsvg");
    std::string unpacked;
    SavedGameError error;
    ASSERT_TRUE(UnpackSavedGame(TripleAData(shared) + "/saves-2x/revisted_start_of_game.tsvg",
                                unpacked, error));
    std::string flipped = real;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    const std::string otherProgram = Gzip(std::string("\xAC\xED\x00\x05\x74\x00\x05hello", 12));
    struct Case {
        const char* name;
        std::string bytes;
        SavedGameProblem problem;
        const char* says;
    };
    const Case cases[] = {
        {"empty", "", SavedGameProblem::kNotASave, "is not a TripleA saved game"},
        {"text", "TrevoConvert\n", SavedGameProblem::kNotASave, "is not a TripleA saved game"},
        {"gzip of text", Gzip("just text"), SavedGameProblem::kNotASave,
         "is not a TripleA saved game"},
        {"another program's objects", otherProgram, SavedGameProblem::kNotASave,
         "is not a TripleA saved game"},
        {"cut in half", real.substr(0, real.size() / 2), SavedGameProblem::kDamaged,
         "ends too early"},
        {"a byte flipped", flipped, SavedGameProblem::kDamaged, "is damaged"},
        {"stream cut short", Gzip(unpacked.substr(0, unpacked.size() / 3)),
         SavedGameProblem::kDamaged, "ends too early"},
        {"garbage after the gzip stream", real + "garbage", SavedGameProblem::kNone, ""},
    };
    TemporaryFolder folder;
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.name);
        const std::string path = folder.Write("game.tsvg", entry.bytes);
        std::string text;
        SavedGameError failure;
        const bool read = ReadSavedGameText(path, text, failure);
        EXPECT_EQ(read, entry.problem == SavedGameProblem::kNone) << failure.message;
        EXPECT_EQ(failure.problem, entry.problem) << failure.message;
        if (read) continue;
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(failure.message.rfind(path + " ", 0), 0u) << failure.message;
        EXPECT_NE(failure.message.find(entry.says), std::string::npos) << failure.message;
        EXPECT_EQ(failure.message.find('\n'), std::string::npos) << failure.message;
    }
    std::string text;
    EXPECT_FALSE(ReadSavedGameText(folder.File("missing.tsvg"), text, error));
    EXPECT_EQ(error.problem, SavedGameProblem::kUnreadable);
}

// A save that unpacks beyond any real one is refused before it takes the memory.
TEST(SavedGameTest, SaveUnpackingBeyondTheLimitIsRefused) {
    TemporaryFolder folder;
    const std::string path = folder.Write("bomb.tsvg", Gzip(std::string(300u << 20, '\0')));
    std::string text;
    SavedGameError error;
    EXPECT_FALSE(ReadSavedGameText(path, text, error));
    EXPECT_EQ(error.problem, SavedGameProblem::kDamaged);
    EXPECT_NE(error.message.find("more than any saved game"), std::string::npos) << error.message;
}

// Real saves with bytes flipped, cut and repeated: every reading ends, with frames or with
// a one-line reason, and never crashes (the sanitizer build runs this too).
TEST(SavedGameTest, MutatedRealSavesNeverCrash) {
    QUELM_REQUIRE_SHARED_TRIPLEA(shared);
    const std::string data = TripleAData(shared);
    std::vector<std::string> originals;
    for (const char* save :
         {"/saves-2x/revisted_start_of_game.tsvg", "/saves/ww2v2_hard_2rounds.tsvg"}) {
        std::string bytes;
        SavedGameError error;
        ASSERT_TRUE(UnpackSavedGame(data + save, bytes, error)) << error.message;
        originals.push_back(std::move(bytes));
    }
    std::mt19937 random(20261208);
    int readWell = 0;
    constexpr int kCases = 3000;
    for (int i = 0; i < kCases; ++i) {
        const std::string& original = originals[i % 3 == 2 ? 1 : 0];
        std::string bytes = original;
        const auto at = [&](std::size_t size) {
            return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
        };
        switch (i % 3) {
            case 0:
            case 2:
                for (int flips = 1 + i % 8; flips > 0; --flips)
                    bytes[at(bytes.size())] = static_cast<char>(random());
                break;
            case 1:
                if (i % 2) {
                    bytes.resize(at(bytes.size()));
                } else {
                    const std::size_t from = at(bytes.size());
                    const std::size_t length =
                        std::min<std::size_t>(1 + at(64), bytes.size() - from);
                    bytes.insert(from, bytes.substr(from, length));
                }
                break;
        }
        javastream::Graph graph;
        graph.bytes = std::move(bytes);
        tripleagame::Game game;
        savedhistory::Tree tree;
        SavedGameError error;
        if (ReadSavedGameBytes("game.tsvg", graph, game, tree, error)) {
            ++readWell;
            EXPECT_EQ(savedhistory::ConverterText(game, tree).rfind("TrevoConvert\n", 0), 0u);
        } else {
            EXPECT_FALSE(error.message.empty());
            EXPECT_EQ(error.message.find('\n'), std::string::npos) << error.message;
        }
    }
    // Most flips land in values, not in the structure: many mutations still read.
    EXPECT_GT(readWell, kCases / 20);
}
