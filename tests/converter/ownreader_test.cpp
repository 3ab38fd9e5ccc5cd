// Quelm's own reader of saved games against TripleA's Java converter on TripleA 1.9 saves:
// the shared save and games that TripleA's AIs play for the test, of two game definitions.
// Both must write the same text, byte for byte.
#include "convertersupport.h"

#include <QProcessEnvironment>

#include <memory>
#include <sstream>
#include <vector>

#include "gametestsupport.h"
#include "savegame/savedgame.h"

namespace {

// The first line where two texts differ, for a message that says where.
std::string FirstDifference(const std::string& ours, const std::string& theirs) {
    std::istringstream a(ours);
    std::istringstream b(theirs);
    std::string lineA;
    std::string lineB;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) return "the same lines, other line ends";
        if (lineA != lineB || moreA != moreB)
            return "line " + std::to_string(line) + ": ours \"" + lineA + "\", the converter's \"" +
                   lineB + "\"";
    }
}

// Starts TripleA's AIs on a game for some rounds; the caller waits for the end.
std::unique_ptr<QProcess> StartAiGame(const ConverterFiles& files, const std::string& game,
                                      const char* rounds, const std::string& save,
                                      const std::string& scratch) {
    auto player = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", QString::fromStdString(scratch));
    player->setProcessEnvironment(environment);
    player->setProgram(QString::fromStdString(files.playAiGame));
    player->setArguments({QString::fromStdString(game), rounds, QString::fromStdString(save)});
    player->start();
    return player;
}

}  // namespace

TEST(OwnSaveReaderTest, WritesTheConvertersTextForEveryTripleA19Save) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string games = files.mapFolder + "/map/games/";
    std::vector<std::string> saves = {files.save, folder.File("ww2v2.tsvg"),
                                      folder.File("lhtr.tsvg")};
    // Two games at once, one on each core.
    const auto ww2v2 =
        StartAiGame(files, games + "ww2v2.xml", "2", saves[1], folder.MakeFolder("scratch1"));
    const auto lhtr =
        StartAiGame(files, games + "lhtr.xml", "2", saves[2], folder.MakeFolder("scratch2"));
    for (QProcess* player : {ww2v2.get(), lhtr.get()}) {
        ASSERT_TRUE(player->waitForFinished(600000)) << "an AI game did not end";
        ASSERT_EQ(player->exitCode(), 0) << player->readAllStandardError().toStdString();
    }

    const std::string installation = MakeInstallationFolder(files, folder);
    for (const std::string& save : saves) {
        SCOPED_TRACE(save);
        const ProcessEnd converted = RunCommand(ConverterCommandFor(files, installation, save));
        ASSERT_EQ(converted.exitCode, 0) << converted.standardError;
        const std::string theirs = ReadBytes(installation + "/Trevo.txt");
        std::string ours;
        SavedGameError error;
        ASSERT_TRUE(ReadSavedGameText(save, ours, error)) << error.message;
        EXPECT_GT(ours.size(), 100000u);
        EXPECT_TRUE(ours == theirs) << FirstDifference(ours, theirs);
    }
}
