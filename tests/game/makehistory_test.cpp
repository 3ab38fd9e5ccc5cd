#include <algorithm>

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include "gametestsupport.h"
#include "historytext.h"
#include "testsupport.h"

namespace {

int RunTool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QUELM_MAKE_HISTORY, arguments);
    if (!tool.waitForFinished(60000)) return -1;
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

TEST(MakeHistoryTool, WritesATextThatReadsBackAsItsShape) {
    TemporaryFolder folder;
    const std::string path = folder.File("Trevo.txt");
    ASSERT_EQ(RunTool({"--frames", "3", "--territories", "4", "--stacks", "7", "--units", "2",
                       QString::fromStdString(path)}),
              0);
    const std::string text = ReadBytes(path);
    EXPECT_EQ(static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n')),
              HistoryTextLineCount({3, 4, 7, 2}));

    Ref<GameLoader> loader;
    CreateGameLoader(loader.Receive());
    loader->SetConverterOutput(path);
    ASSERT_EQ(loader->GetFrameCount(nullptr), 3);
    EXPECT_EQ(Caption(*loader, 2), " Frame 2");
    EXPECT_EQ(Player(*loader, 2), "British");
    // Owners rotate with frame and territory: frame 2, fourth territory, sixth player.
    EXPECT_EQ(Board(*loader, 2, "Territory 4"),
              "Germans||infantry/Germans/2,armour/Germans/2,fighter/Germans/2,bomber/Germans/2,"
              "transport/Germans/2,battleship/Germans/2,unit7/Germans/2");
    EXPECT_EQ(Board(*loader, 2, "Territory 5"), "absent");
}

}  // namespace
