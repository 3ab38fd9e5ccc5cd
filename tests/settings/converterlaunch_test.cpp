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

// Readers in place of Quelm's own: a save of a TripleA it does not know, a damaged save, and
// one read as a short history.
bool UnsupportedReader(const std::string& path, std::string&, SavedGameError& error) {
    error = {SavedGameProblem::kUnsupported, path + " holds an unknown class"};
    return false;
}
bool DamagedReader(const std::string& path, std::string&, SavedGameError& error) {
    error = {SavedGameProblem::kDamaged, path + " is damaged"};
    return false;
}
bool SoundReader(const std::string&, std::string& text, SavedGameError&) {
    text = "TrevoConvert\nread at once\n";
    return true;
}

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
        settings.triplea_jar = store.folder.Write(std::string("jar ") + kAwkwardName + ".jar", "");
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
    LaunchSaveGameImport(settings, true, UnsupportedReader);
    EXPECT_EQ(RecordedArguments(output),
              (std::vector<std::string>{
                  runtime, "-classpath",
                  installation + ":" + installation + "/xstream.jar:" + settings.triplea_jar,
                  "TextGameConverter", settings.save, output}));
}

// The launch leaves the output only when the reader wrote it or a converter was started
// to write it; every other way it deletes the old history at once.
TEST_F(ConverterLaunchTest, TheOutputStaysOnlyWhenTheImportWritesIt) {
    store.SetMachineValue("InstallationDirectory", installation);
    struct Case {
        const char* what;
        bool checked;
        std::string save, runtime;
        SavedGameReader reader;
        const char* left;  // the output afterwards; nullptr for none
    };
    for (const Case& c : {
             Case{"box cleared", false, settings.save, runtime, SoundReader, nullptr},
             Case{"no saved game", true, "", runtime, SoundReader, nullptr},
             Case{"read at once", true, settings.save, runtime, SoundReader,
                  "TrevoConvert\nread at once\n"},
             Case{"damaged save", true, settings.save, runtime, DamagedReader, nullptr},
             Case{"unknown, no runtime", true, settings.save, runtime + ".absent",
                  UnsupportedReader, nullptr},
             Case{"unknown, runtime not executable", true, settings.save,
                  store.folder.Write("plain", "#!/bin/sh\n"), UnsupportedReader, nullptr},
         }) {
        store.folder.Write("data/Ostrevan/Quelm/Trevo.txt", "old history");
        settings.save = c.save;
        settings.java_runtime = c.runtime;
        // Decided at once: a converter is never started in these cases.
        LaunchSaveGameImport(settings, c.checked, c.reader);
        if (c.left) {
            EXPECT_EQ(ReadAll(output), c.left) << c.what;
        } else {
            EXPECT_FALSE(fs::exists(output)) << c.what;
        }
    }
}

// The Java converter stands by only when its runtime, TripleA's jar and the installation
// folder are all there.
TEST_F(ConverterLaunchTest, PlanNamesTheConverterOnlyWhenItCanRun) {
    store.SetMachineValue("InstallationDirectory", installation);
    const std::string jar = settings.triplea_jar;
    struct Case {
        std::string runtime, jar;
        bool converter;
    };
    for (const Case& c :
         {Case{runtime, jar, true}, Case{"", jar, false}, Case{runtime + ".absent", jar, false},
          Case{runtime, "", false}, Case{runtime, jar + ".absent", false}}) {
        settings.java_runtime = c.runtime;
        settings.triplea_jar = c.jar;
        const SaveGameImport plan = PlanSaveGameImport(settings, true);
        EXPECT_EQ(plan.action, SaveGameImport::Action::ReadSave);
        EXPECT_EQ(plan.save, settings.save);
        EXPECT_EQ(plan.converter.has_value(), c.converter) << c.runtime << " " << c.jar;
    }
}

}  // namespace
