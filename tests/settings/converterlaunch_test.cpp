#include "settings/converterlaunch.h"

#include "temporarystore.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Folder names full of characters that a shell would take apart.
const char* const kAwkwardName = "dir 'a' \"b\"; $(touch x) `id` & | * ? < > # ! \\ ~";

QStringList ExampleArguments() {
    return {"-classpath", "/Q:/Q/xstream.jar:/TA/bin/triplea.jar", "TextGameConverter", "/g.tsvg",
            "/Q/Trevo.txt"};
}

class ConverterLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        installation = store.folder.MakeFolder(std::string("install ") + kAwkwardName);
        output = installation + "/Trevo.txt";
        runtime = store.folder.MakeFolder(std::string("java ") + kAwkwardName) + "/java";
        fs::copy_file(QUELM_TEST_DATA_DIR "/settings/converter-standin.sh", runtime);
        settings.java_runtime = runtime;
        settings.triplea_jar = "/TA dir/bin/triplea.jar";
        settings.save = store.folder.File(std::string("saved ") + kAwkwardName + ".tsvg");
        const char* tmp = std::getenv("TMPDIR");
        savedTmp = tmp ? tmp : "";
        hadTmp = tmp != nullptr;
        ::setenv("TMPDIR", store.folder.MakeFolder("tmp").c_str(), 1);
    }
    void TearDown() override {
        if (hadTmp)
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
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
    std::string installation, output, runtime, savedTmp;
    bool hadTmp = false;
};

TEST_F(ConverterLaunchTest, CommandForTheExamplePaths) {
    Settings example;
    example.java_runtime = "/usr/bin/java";
    example.triplea_jar = "/TA/bin/triplea.jar";
    example.save = "/g.tsvg";
    for (const char* folder : {"/Q", "/Q/", "/Q//"}) {
        const ConverterCommand command = MakeConverterCommand(example, folder);
        EXPECT_EQ(command.program, "/usr/bin/java");
        EXPECT_EQ(command.arguments, ExampleArguments()) << folder;
    }
}

TEST_F(ConverterLaunchTest, OutputGoesToTheInstallationElseTheTemporaryFolder) {
    EXPECT_EQ(GetConverterOutputPath(), store.folder.File("tmp/Trevo.txt"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(GetConverterOutputPath(), "/tmp/Trevo.txt");
    store.SetMachineValue("InstallationDirectory", "/Q/");
    EXPECT_EQ(GetConverterOutputPath(), "/Q/Trevo.txt");
}

TEST_F(ConverterLaunchTest, EveryArgumentReachesTheConverterUnchanged) {
    store.SetMachineValue("InstallationDirectory", installation + "/");
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
        store.folder.Write(output.substr(store.folder.Path().size() + 1), "old history");
        settings.save = c.save;
        settings.java_runtime = c.runtime;
        // Deleted at once: the launch deletes the output only when it started no converter.
        LaunchSaveGameImport(settings, c.checked);
        EXPECT_FALSE(fs::exists(output)) << c.what;
    }
}

TEST_F(ConverterLaunchTest, WithoutAnInstallationFolderNothingIsStartedOrDeleted) {
    const std::string temporaryOutput = store.folder.Write("tmp/Trevo.txt", "old history");
    EXPECT_EQ(PlanSaveGameImport(settings, true).action, SaveGameImport::Action::Nothing);
    LaunchSaveGameImport(settings, true);
    EXPECT_EQ(ReadAll(temporaryOutput), "old history");
}

}  // namespace
