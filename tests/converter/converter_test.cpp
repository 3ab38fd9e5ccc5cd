// The Java converter on Debian's TripleA jar, started exactly as the launch starts it, on real
// TripleA 1.9 saved games; its text read back by the game loader.
#include "convertersupport.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <algorithm>
#include <vector>

#include <zlib.h>

#include "game/gameloaderimpl.h"
#include "gametestsupport.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kWw2v2Territories = 143;

Ref<GameLoader> LoadGame(const std::string& gameFile, const std::string& converterOutput) {
    Ref<GameLoader> loader;
    CreateGameLoader(loader.Receive());
    loader->SetGameFile(gameFile);
    if (!converterOutput.empty()) loader->SetConverterOutput(converterOutput);
    return loader;
}

const GameHistory& History(GameLoader& loader) {
    return static_cast<GameLoaderImpl&>(loader).history;
}

// A territory's board with its unit stacks in name order, since the game definition and
// TripleA list the same units in different orders, and with the definition's empty owner
// written as the converter writes it (the renderer draws both alike).
std::string SortedBoard(GameLoader& loader, std::int32_t frame, const std::string& name) {
    std::string board = Board(loader, frame, name);
    if (board.rfind('|', 0) == 0) board = "Neutral" + board;
    const std::size_t stacksStart = board.find('|', board.find('|') + 1) + 1;
    std::vector<std::string> stacks;
    std::string stack;
    for (std::size_t i = stacksStart; i <= board.size(); ++i) {
        if (i == board.size() || board[i] == ',') {
            if (!stack.empty()) stacks.push_back(stack);
            stack.clear();
        } else {
            stack += board[i];
        }
    }
    std::sort(stacks.begin(), stacks.end());
    std::string sorted = board.substr(0, stacksStart);
    for (const std::string& each : stacks) sorted += each + ",";
    return sorted;
}

// Every file name in folder except the converter's classes.
std::vector<std::string> FilesBesideTheClasses(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".class") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string LastLine(const std::string& text) {
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r'))
        trimmed.pop_back();
    const std::size_t start = trimmed.rfind('\n');
    return start == std::string::npos ? trimmed : trimmed.substr(start + 1);
}

std::string Gunzip(const std::string& path) {
    gzFile in = gzopen(path.c_str(), "rb");
    std::string bytes;
    char buffer[65536];
    for (int read; in && (read = gzread(in, buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(read));
    }
    if (in) gzclose(in);
    return bytes;
}

void Gzip(const std::string& bytes, const std::string& path) {
    gzFile out = gzopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    gzwrite(out, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(out);
}

// The real save, claiming to come from TripleA 1.8.0.0: the first object of the stream is
// TripleA's Version, whose int fields Java writes in name order (major 1, micro 0, minor 9,
// point 0) as big-endian numbers.
std::string SaveOfAnotherVersion(const std::string& save, const TemporaryFolder& folder) {
    std::string bytes = Gunzip(save);
    const std::string fields("\0\0\0\1\0\0\0\0\0\0\0\x09\0\0\0\0", 16);
    const std::size_t at = bytes.find(fields);
    if (at == std::string::npos || at > 400) return {};
    bytes[at + 11] = '\x08';
    const std::string path = folder.File("other-version.tsvg");
    Gzip(bytes, path);
    return path;
}

}  // namespace

TEST(TextGameConverterTest, RealSaveGivesOneFramePerStepWithEveryTerritory) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string installation = MakeInstallationFolder(files, folder);
    const ProcessEnd end = RunCommand(ConverterCommandFor(files, installation, files.save));
    ASSERT_EQ(end.exitCode, 0) << end.standardError;
    const std::string output = installation + "/Trevo.txt";
    EXPECT_EQ(FilesBesideTheClasses(installation), std::vector<std::string>{"Trevo.txt"});
    ASSERT_EQ(ReadBytes(output).rfind("TrevoConvert\n", 0), 0u);

    Ref<GameLoader> definition = LoadGame(files.gameFile, "");
    Ref<GameLoader> game = LoadGame(files.gameFile, output);
    // The save's history: round 1 with 29 steps, round 2 with 30, round 3 with its first.
    ASSERT_EQ(game->GetFrameCount(nullptr), 60);
    EXPECT_EQ(Caption(*game, 0), "Round 1 - Initializing Delegates");
    EXPECT_EQ(Player(*game, 0), "");
    EXPECT_EQ(Caption(*game, 1), "Round 1 - Purchase Units");
    EXPECT_EQ(Player(*game, 1), "Russians");
    EXPECT_EQ(Caption(*game, 29), "Round 2 - Purchase Units");
    EXPECT_EQ(Caption(*game, 59), "Round 3 - Purchase Units");
    EXPECT_EQ(Player(*game, 59), "Russians");

    const GameHistory& history = History(*game);
    for (std::size_t frame = 0; frame < history.frames.size(); ++frame) {
        ASSERT_EQ(history.frames[frame].size(), kWw2v2Territories) << "frame " << frame;
        for (const auto& [name, territory] : history.frames[frame]) {
            std::string owner;
            territory->GetOwner(owner);
            EXPECT_FALSE(owner.empty()) << name << " in frame " << frame;
        }
    }
    // After the initialising step the board is the game definition's starting board; by the
    // end of round 2 the AIs have conquered territories.
    std::size_t conquered = 0;
    for (const auto& [name, territory] : History(*definition).frames.at(0)) {
        EXPECT_EQ(SortedBoard(*game, 0, name), SortedBoard(*definition, 0, name));
        std::string first;
        std::string last;
        territory->GetOwner(first);
        Ref<TerritoryState> atEnd;
        if (game->FindTerritory(59, name, atEnd.Receive())) atEnd->GetOwner(last);
        if (first != last) ++conquered;
    }
    EXPECT_GT(conquered, 0u);
}

TEST(TextGameConverterTest, UnreadableSaveFailsWithOneLineAndWritesNothing) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string installation = MakeInstallationFolder(files, folder);
    const std::string save = ReadBytes(files.save);
    struct Case {
        std::string save;
        std::string reason;
    };
    const std::string otherVersion = SaveOfAnotherVersion(files.save, folder);
    ASSERT_FALSE(otherVersion.empty()) << "the saved game's version fields were not found";
    const std::string gzippedText = folder.File("gzipped-text.tsvg");
    Gzip("plain text\n", gzippedText);
    for (const Case& c : {
             Case{folder.File("missing.tsvg"), "no such file"},
             Case{folder.Write("text.tsvg", "TrevoConvert\n"), "is not a TripleA saved game"},
             Case{gzippedText, "is not a TripleA saved game"},
             Case{folder.Write("half.tsvg", save.substr(0, save.size() / 2)), "is damaged"},
             Case{otherVersion,
                  "was saved by TripleA 1.8.0.0, but this converter runs on TripleA 1.9"},
         }) {
        const ProcessEnd end = RunCommand(ConverterCommandFor(files, installation, c.save));
        EXPECT_EQ(end.exitCode, 1) << c.save;
        const std::string line = LastLine(end.standardError);
        EXPECT_EQ(line.rfind("TextGameConverter: ", 0), 0u) << end.standardError;
        EXPECT_NE(line.find(c.reason), std::string::npos) << line;
        EXPECT_EQ(FilesBesideTheClasses(installation), std::vector<std::string>{}) << c.save;
    }
}

TEST(TextGameConverterTest, StoppedConverterLeavesNoScratchFile) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string installation = MakeInstallationFolder(files, folder);
    const ConverterCommand command = ConverterCommandFor(files, installation, files.save);
    // The converter holds after its first frame, half-way through its scratch file, and is
    // stopped there as the viewer's Cancel stops it.
    const std::string held = folder.File("held");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUELM_CONVERTER_TEST_HOLD", QString::fromStdString(held));
    process.setProcessEnvironment(environment);
    process.start(command.program, command.arguments);
    ASSERT_TRUE(process.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (!fs::exists(held) && process.state() != QProcess::NotRunning &&
           clock.elapsed() < 120000) {
        process.waitForFinished(50);
    }
    ASSERT_TRUE(fs::exists(held)) << process.readAllStandardError().toStdString();
    const std::vector<std::string> during = FilesBesideTheClasses(installation);
    ASSERT_EQ(during.size(), 1u);
    ASSERT_NE(during.front().find(".part"), std::string::npos) << during.front();
    EXPECT_EQ(LastLine(ReadBytes(installation + "/" + during.front())), "End Frame");

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_NE(process.exitCode(), 0);
    EXPECT_EQ(FilesBesideTheClasses(installation), std::vector<std::string>{});
}

TEST(TextGameConverterTest, GameOfTheAiPlayersConverts) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string scratch = folder.MakeFolder("tmp");
    const std::string save = folder.File("games/one round.tsvg");
    fs::create_directories(folder.File("games"));
    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", QString::fromStdString(scratch));
    player.setProcessEnvironment(environment);
    player.setProgram(QString::fromStdString(files.playAiGame));
    player.setArguments(
        {QString::fromStdString(files.gameFile), "1", QString::fromStdString(save)});
    const ProcessEnd played = RunToEnd(player, 300000);
    ASSERT_EQ(played.exitCode, 0) << played.standardError;
    EXPECT_TRUE(fs::is_empty(scratch)) << "the scratch home was left behind";

    const std::string installation = MakeInstallationFolder(files, folder);
    const ProcessEnd converted = RunCommand(ConverterCommandFor(files, installation, save));
    ASSERT_EQ(converted.exitCode, 0) << converted.standardError;
    Ref<GameLoader> game = LoadGame(files.gameFile, installation + "/Trevo.txt");
    // One whole round, saved as the next one began: the captions name round 1 and then, when
    // TripleA recorded the step under way as the game stopped, round 2.
    const std::int32_t frames = game->GetFrameCount(nullptr);
    std::int32_t firstRound = 0;
    while (firstRound < frames && Caption(*game, firstRound).rfind("Round 1 - ", 0) == 0) {
        ++firstRound;
    }
    EXPECT_GT(firstRound, 10);
    for (std::int32_t frame = firstRound; frame < frames; ++frame) {
        EXPECT_EQ(Caption(*game, frame).rfind("Round 2 - ", 0), 0u) << Caption(*game, frame);
    }
    for (const HistoryFrame& frame : History(*game).frames) {
        EXPECT_EQ(frame.size(), kWw2v2Territories);
    }
}

// quelm_render --save --converter runs the converter itself: from its build folder it finds
// the converter built there, and the history lives in a temporary folder only while it draws.
class RenderSavedGameTest : public ::testing::Test {
protected:
    ProcessEnd Render(const ConverterFiles& files, const QStringList& arguments) {
        QProcess render;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.MakeFolder("config")));
        environment.insert("XDG_CONFIG_DIRS", QString::fromStdString(folder.MakeFolder("system")));
        environment.insert("TMPDIR", QString::fromStdString(folder.MakeFolder("tmp")));
        // Qt makes its own runtime folder in TMPDIR when the session has none.
        const std::string runtime = folder.MakeFolder("runtime");
        fs::permissions(runtime, fs::perms::owner_all);
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        render.setProcessEnvironment(environment);
        render.setProgram(QUELM_RENDER_PROGRAM);
        render.setArguments(
            QStringList{"--game", QString::fromStdString(files.gameFile), "--dump-history"} +
            arguments);
        render.setStandardOutputFile(QString::fromStdString(folder.File("dump.txt")));
        return RunToEnd(render);
    }
    // --save with the converter of files.
    static QStringList Converting(const ConverterFiles& files, const std::string& save) {
        return {"--save",
                QString::fromStdString(save),
                "--converter",
                "--java",
                QString::fromStdString(files.java),
                "--triplea-jar",
                QString::fromStdString(files.jar)};
    }
    TemporaryFolder folder;
};

TEST_F(RenderSavedGameTest, RealSaveIsConvertedOnTheFlyAndTheHistoryRemoved) {
    QUELM_REQUIRE_CONVERTER(files);
    const ProcessEnd end = Render(files, Converting(files, files.save));
    ASSERT_EQ(end.exitCode, 0) << end.standardError;
    EXPECT_NE(ReadBytes(folder.File("dump.txt")).find("Round 3 - Purchase Units"),
              std::string::npos);
    EXPECT_TRUE(fs::is_empty(folder.File("tmp")));
}

TEST_F(RenderSavedGameTest, SaveTheConverterRefusesFailsInOneLine) {
    QUELM_REQUIRE_CONVERTER(files);
    const std::string otherVersion = SaveOfAnotherVersion(files.save, folder);
    ASSERT_FALSE(otherVersion.empty());
    struct Case {
        std::string save, message;
    };
    for (const Case& c :
         {Case{folder.Write("text.tsvg", "TrevoConvert\n"), " is not a TripleA saved game"},
          Case{otherVersion,
               " was saved by TripleA 1.8.0.0, but this converter runs on TripleA 1.9"}}) {
        const ProcessEnd end = Render(files, Converting(files, c.save));
        EXPECT_EQ(end.exitCode, 1);
        EXPECT_EQ(end.standardError.rfind("quelm_render: " + c.save + c.message, 0), 0u)
            << end.standardError;
        EXPECT_EQ(std::count(end.standardError.begin(), end.standardError.end(), '\n'), 1)
            << end.standardError;
        EXPECT_TRUE(fs::is_empty(folder.File("tmp")));
    }
}
