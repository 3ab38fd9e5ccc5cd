// The install step: the converter's classes in the installation folder, the machine-wide
// settings naming that folder, and the launch's command working from there.
#include "convertersupport.h"

#include <QProcessEnvironment>
#include <QSettings>

namespace fs = std::filesystem;

TEST(InstallTest, MachineSettingsNameTheFolderTheConverterRunsFrom) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string prefix = folder.File("prefix");
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

    QSettings machine(QString::fromStdString(destination + QUELM_MACHINE_SETTINGS_FILE),
                      QSettings::IniFormat);
    const std::string recorded = machine.value("InstallationDirectory").toString().toStdString();
    EXPECT_EQ(recorded, prefix + "/share/quelm");
    const std::string installation = destination + recorded;
    EXPECT_TRUE(fs::is_regular_file(installation + "/TextGameConverter.class"));
    EXPECT_TRUE(fs::is_regular_file(installation + "/PlayAiGame.class"));

    const ProcessEnd converted = RunCommand(ConverterCommandFor(files, installation, files.save));
    EXPECT_EQ(converted.exitCode, 0) << converted.standardError;
    EXPECT_TRUE(fs::is_regular_file(installation + "/Trevo.txt"));

    // The installed AI game player finds its class: with no rounds to play it only complains.
    QProcess player;
    player.setProgram(QString::fromStdString(destination + prefix + "/bin/quelm_play_ai_game"));
    player.setArguments({QString::fromStdString(files.gameFile), "0",
                         QString::fromStdString(folder.File("x.tsvg"))});
    const ProcessEnd refused = RunToEnd(player);
    EXPECT_EQ(refused.exitCode, 2) << refused.standardError;
    EXPECT_NE(refused.standardError.find("usage: PlayAiGame"), std::string::npos)
        << refused.standardError;
}
