#include "settings/converterlaunch.h"

#include "temporarystore.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Folder names full of characters that a shell would take apart.
const char* const kAwkwardName = "dir 'a' \"b\"; $(touch x) `id` & | * ? < > # ! \\ ~";

QStringList ExampleArguments() {
    return {"-classpath", "/Q:/Q/xstream.jar:/TA/bin/triplea.jar", "TextGameConverter", "/g.tsvg",
            "/home/u/Trevo.txt"};
}

class ConverterLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        installation = store.folder.MakeFolder(std::string("install ") + kAwkwardName);
        output = store.HistoryFile();
        runtime = store.folder.MakeFolder(std::string("java ") + kAwkwardName) + "/java";
        fs::copy_file(QUELM_TEST_DATA_DIR "/settings/converter-standin.sh", runtime);
        settings.java_runtime = runtime;
        settings.triplea_jar = "/TA dir/bin/triplea.jar";
        settings.save = store.folder.File(std::string("saved ") + kAwkwardName + ".tsvg");
    }
    static std::string ReadAll(const std::string& file) {
        QFile in(QString::fromStdString(file));
        return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : "";
    }
    // The stand-in's record in the output file, once it is there (it appears whole).
    static std::vector<std::string> RecordedArguments(const std::string& file) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(file) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const std::string record = ReadAll(file);
        std::vector<std::string> arguments;
        for (std::size_t start = 0, end; (end = record.find('\0', start)) != std::string::npos;
             start = end + 1) {
            arguments.push_back(record.substr(start, end - start));
        }
        return arguments;
    }

    TemporaryStore store;
    Settings settings;
    std::string installation, output, runtime;
};

TEST_F(ConverterLaunchTest, CommandForTheExamplePaths) {
    Settings example;
    example.java_runtime = "/usr/bin/java";
    example.triplea_jar = "/TA/bin/triplea.jar";
    example.save = "/g.tsvg";
    for (const char* folder : {"/Q", "/Q/", "/Q//"}) {
        const ConverterCommand command = MakeConverterCommand(example, folder, "/home/u/Trevo.txt");
        EXPECT_EQ(command.program, "/usr/bin/java");
        EXPECT_EQ(command.arguments, ExampleArguments()) << folder;
    }
}

TEST_F(ConverterLaunchTest, OutputGoesToTheUsersDataFolderWhateverTheInstallation) {
    EXPECT_EQ(GetConverterOutputPath(), store.HistoryFile());
    store.SetMachineValue("InstallationDirectory", "/Q/");
    EXPECT_EQ(GetConverterOutputPath(), store.HistoryFile());
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_HOME");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(store.folder.Path()));
    EXPECT_EQ(GetConverterOutputPath(), store.folder.File(".local/share/Ostrevan/Quelm/Trevo.txt"));
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", data);
}

TEST_F(ConverterLaunchTest, InstallationFolderIsTheMachineValueElseTheProgramsOwn) {
    const std::string build = store.folder.MakeFolder("build");
    const std::string bin = store.folder.MakeFolder("prefix/bin");
    store.folder.Write("build/CMakeCache.txt", "");
    struct Case {
        std::string programFolder, expected;
    };
    for (const Case& c :
         {Case{build, build + "/converter"}, Case{bin, store.folder.File("prefix/share/quelm")},
          Case{bin + "/", store.folder.File("prefix/share/quelm")}}) {
        EXPECT_EQ(OwnInstallationFolder(c.programFolder), c.expected) << c.programFolder;
    }
    // The test program lies in a folder of the build, not at its top.
    const std::string testFolder = fs::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(GetInstallationFolder(), OwnInstallationFolder(testFolder));
    store.SetMachineValue("InstallationDirectory", "/opt/quelm");
    EXPECT_EQ(GetInstallationFolder(), "/opt/quelm");
}

TEST_F(ConverterLaunchTest, EveryArgumentReachesTheConverterUnchanged) {
    store.SetMachineValue("InstallationDirectory", installation + "/");
    ASSERT_FALSE(fs::exists(fs::path(output).parent_path()));  // made when needed
    LaunchSaveGameImport(settings, true);
    EXPECT_EQ(RecordedArguments(output),
              (std::vector<std::string>{
                  runtime, "-classpath",
                  installation + ":" + installation + "/xstream.jar:" + settings.triplea_jar,
                  "TextGameConverter", settings.save, output}));
}

TEST_F(ConverterLaunchTest, WithoutAnImportTheOutputIsDeleted) {
    store.SetMachineValue("InstallationDirectory", installation);
    struct Case {
        const char* what;
        bool checked;
        std::string save, runtime;
    };
    for (const Case& c : {Case{"box cleared", false, settings.save, runtime},
                          Case{"no saved game", true, "", runtime},
                          Case{"no runtime", true, settings.save, runtime + ".absent"},
                          Case{"runtime not executable", true, settings.save,
                               store.folder.Write("plain", "#!/bin/sh\n")}}) {
        store.folder.Write("data/Ostrevan/Quelm/Trevo.txt", "old history");
        settings.save = c.save;
        settings.java_runtime = c.runtime;
        // Deleted at once: the launch deletes the output only when it started no converter.
        LaunchSaveGameImport(settings, c.checked);
        EXPECT_FALSE(fs::exists(output)) << c.what;
    }
}

}  // namespace
