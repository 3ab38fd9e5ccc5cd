// The install step: every file under the prefix, the converter's classes in
// <prefix>/share/quelm, and the installed programs finding them there by themselves.
#include "convertersupport.h"

#include <QProcessEnvironment>

namespace fs = std::filesystem;

TEST(InstallTest, EverythingLandsUnderThePrefixAndTheProgramsFindTheirConverter) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string prefix = folder.File("prefix");
    // Staged: a file meant for outside the prefix (/etc, /usr/share) shows up outside it here.
    const std::string destination = folder.File("destination");
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DESTDIR", QString::fromStdString(destination));
    install.setProcessEnvironment(environment);
    install.setProgram(QUELM_CMAKE_COMMAND);
    install.setArguments(
        {"--install", QUELM_BUILD_FOLDER, "--prefix", QString::fromStdString(prefix)});
    const ProcessEnd installed = RunToEnd(install);
    ASSERT_EQ(installed.exitCode, 0) << installed.standardError;

    const std::string root = destination + prefix;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(destination)) {
        if (entry.is_directory()) continue;
        EXPECT_EQ(entry.path().string().rfind(root + "/", 0), 0u) << entry.path();
    }
    for (const char* file :
         {"bin/quelm_view", "bin/quelm", "bin/quelm_render", "bin/quelm_play_ai_game",
          "share/quelm/quelm.html", "share/quelm/TextGameConverter.class",
          "share/quelm/PlayAiGame.class", "share/xscreensaver/config/quelm.xml"}) {
        EXPECT_TRUE(fs::is_regular_file(root + "/" + file)) << file;
    }

    // The installed quelm_render runs the converter of its own installation.
    QProcess render;
    QProcessEnvironment renderEnvironment = QProcessEnvironment::systemEnvironment();
    renderEnvironment.insert("XDG_CONFIG_HOME",
                             QString::fromStdString(folder.MakeFolder("config")));
    renderEnvironment.insert("XDG_CONFIG_DIRS",
                             QString::fromStdString(folder.MakeFolder("system")));
    renderEnvironment.insert("QT_QPA_PLATFORM", "offscreen");
    render.setProcessEnvironment(renderEnvironment);
    render.setProgram(QString::fromStdString(root + "/bin/quelm_render"));
    render.setArguments({"--save", QString::fromStdString(files.save), "--converter", "--java",
                         QString::fromStdString(files.java), "--triplea-jar",
                         QString::fromStdString(files.jar), "--game",
                         QString::fromStdString(files.gameFile), "--dump-history"});
    render.setStandardOutputFile(QProcess::nullDevice());
    const ProcessEnd rendered = RunToEnd(render);
    EXPECT_EQ(rendered.exitCode, 0) << rendered.standardError;

    const std::string installation = root + "/share/quelm";
    const ProcessEnd converted = RunCommand(ConverterCommandFor(files, installation, files.save));
    EXPECT_EQ(converted.exitCode, 0) << converted.standardError;
    EXPECT_TRUE(fs::is_regular_file(installation + "/Trevo.txt"));

    // The installed AI game player finds its class: with no rounds to play it only complains.
    QProcess player;
    player.setProgram(QString::fromStdString(root + "/bin/quelm_play_ai_game"));
    player.setArguments({QString::fromStdString(files.gameFile), "0",
                         QString::fromStdString(folder.File("x.tsvg"))});
    const ProcessEnd refused = RunToEnd(player);
    EXPECT_EQ(refused.exitCode, 2) << refused.standardError;
    EXPECT_NE(refused.standardError.find("usage: PlayAiGame"), std::string::npos)
        << refused.standardError;
}
