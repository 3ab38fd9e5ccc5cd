#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "settings/converterlaunch.h"
#include "testsupport.h"

// What the end-to-end tests of the save-game converter need: the converter built against
// Debian's TripleA jar, the Java runtime, the AI game player, and the shared real TripleA
// 1.9 files (a saved game and the world_war_ii_revised map with its ww2v2.xml).
struct ConverterFiles {
    std::string classes;  // the built converter classes
    std::string java;
    std::string jar;
    std::string playAiGame;  // quelm_play_ai_game of the build folder
    std::string save;        // two rounds of ww2v2.xml played by TripleA's AIs
    std::string mapFolder;   // downloadedMaps/world_war_ii_revised
    std::string gameFile;    // its map/games/ww2v2.xml
    bool complete = false;
};

inline ConverterFiles FindConverterFiles() {
    namespace fs = std::filesystem;
    ConverterFiles files;
    files.classes = QUELM_CONVERTER_CLASSES;
    files.java = QUELM_CONVERTER_JAVA;
    files.jar = QUELM_CONVERTER_TRIPLEA_JAR;
    files.playAiGame = QUELM_PLAY_AI_GAME;
    const std::string shared = SharedTripleAFolder();
    if (files.classes.empty() || shared.empty()) return files;
    const fs::path triplea = fs::path(shared).parent_path();
    files.save = (triplea / "saves" / "ww2v2_hard_2rounds.tsvg").string();
    files.mapFolder = (triplea / "downloadedMaps" / "world_war_ii_revised").string();
    files.gameFile = files.mapFolder + "/map/games/ww2v2.xml";
    std::error_code error;
    files.complete = fs::is_regular_file(files.classes + "/TextGameConverter.class", error) &&
                     fs::is_regular_file(files.jar, error) &&
                     fs::is_regular_file(files.save, error) &&
                     fs::is_regular_file(files.gameFile, error);
    return files;
}

// Skips the current test when the converter was not built (no Java or no Debian triplea
// package) or the shared TripleA 1.9 files are absent.
#define QUELM_REQUIRE_CONVERTER(filesVariable)                                               \
    const ConverterFiles filesVariable = FindConverterFiles();                               \
    if (!filesVariable.complete)                                                             \
    GTEST_SKIP() << "converter not built (needs javac and Debian's triplea package) or the " \
                    "shared TripleA 1.9 files are absent"

// An installation folder as the install step makes it: the converter's classes, in a folder
// of the test's own, so that its Trevo.txt is the test's own too.
inline std::string MakeInstallationFolder(const ConverterFiles& files,
                                          const TemporaryFolder& folder) {
    const std::string installation = folder.MakeFolder("installation");
    const QDir classes(QString::fromStdString(files.classes));
    for (const QString& name : classes.entryList({"*.class"}, QDir::Files)) {
        QFile::copy(classes.filePath(name), QString::fromStdString(installation) + "/" + name);
    }
    return installation;
}

// The converter's command exactly as the launch builds it for this saved game, writing
// Trevo.txt in the installation folder, which is the test's own.
inline ConverterCommand ConverterCommandFor(const ConverterFiles& files,
                                            const std::string& installation,
                                            const std::string& save) {
    Settings settings;
    settings.java_runtime = files.java;
    settings.triplea_jar = files.jar;
    settings.save = save;
    return MakeConverterCommand(settings, installation, installation + "/Trevo.txt");
}

struct ProcessEnd {
    int exitCode = -1;
    std::string standardError;
};

inline ProcessEnd RunToEnd(QProcess& process, int timeLimitMs = 120000) {
    process.start();
    ProcessEnd end;
    if (!process.waitForFinished(timeLimitMs)) {
        process.kill();
        process.waitForFinished();
        end.standardError = "did not end in time: " + process.errorString().toStdString();
        return end;
    }
    end.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    end.standardError = process.readAllStandardError().toStdString();
    return end;
}

inline ProcessEnd RunCommand(const ConverterCommand& command) {
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    return RunToEnd(process);
}
