#include "settings/settingsstore.h"

#include "temporarystore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

namespace {

std::string Describe(const Settings& s) {
    std::ostringstream out;
    out << s.game_config << '|' << s.maps_directory << '|' << s.images_directory << '|' << s.base
        << '|' << s.save << '|' << s.java_runtime << '|' << s.triplea_jar << '|' << s.zoom_factor
        << ' ' << s.version << ' ' << s.unit_red << ' ' << s.unit_green << ' ' << s.unit_blue << ' '
        << s.previous_delay << ' ' << s.current_delay << ' ' << s.region_labels << s.big_flags
        << s.unit_quantities << s.relief_tiles << s.do_file_import;
    return out.str();
}

class SettingsStoreTest : public ::testing::Test {
protected:
    // What a program that starts now reads: the defaults, then the store.
    static Settings Restart() {
        Settings settings;
        Settings lastStored;
        LoadSettings(settings, lastStored);
        return settings;
    }
    QSettings StoreFile() const {
        return QSettings(QString::fromStdString(store.UserFile()), QSettings::IniFormat);
    }

    TemporaryStore store;
};

TEST_F(SettingsStoreTest, MissingUnreadableOrGarbageStoreLeavesTheDefaults) {
    const std::string defaults = Describe(Settings());
    EXPECT_EQ(Describe(Restart()), defaults);

    std::mt19937 random(6);
    std::string noise(20000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    // Typed values and lists under the stored names, one of them announcing a huge list.
    const std::string typed =
        "[General]\nzoom_factor=@Variant(\\0\\0\\0\\xb\\0\\x7f\\xff\\xff\\xff)\n"
        "version=@Variant(junk)\nbase=@ByteArray(\\xff\\0)\n";
    for (const std::string& garbage :
         {noise, std::string(4096, '\0'), typed, noise + '\n' + typed}) {
        store.WriteUserFile(garbage);
        EXPECT_EQ(Describe(Restart()), defaults);
    }
    // Saving over garbage leaves a store that reads back.
    EXPECT_TRUE(WriteSettingValue("zoom_factor", "60"));
    EXPECT_EQ(Restart().zoom_factor, 60);

    // A folder in place of the file can be neither read nor written.
    std::filesystem::remove(store.UserFile());
    std::filesystem::create_directory(store.UserFile());
    EXPECT_EQ(Describe(Restart()), defaults);
    EXPECT_FALSE(WriteSettingValue("zoom_factor", "60"));
}

TEST_F(SettingsStoreTest, NumbersAndFlagsAreReadAsAtoiReadsThem) {
    for (const char* bigFlags : {"0", "true"}) {
        store.WriteUserFile(std::string("[General]\nzoom_factor=-5\nversion=letters\n") +
                            "previous_delay=7 seconds\nunit_red=0\nregion_labels=2\n"
                            "unit_quantities=01\nbig_flags=" +
                            bigFlags + "\n");
        const Settings settings = Restart();
        EXPECT_EQ(settings.zoom_factor, -5);
        EXPECT_EQ(settings.version, 0);
        EXPECT_EQ(settings.previous_delay, 7);
        EXPECT_EQ(settings.unit_red, 0);
        EXPECT_FALSE(settings.region_labels);
        EXPECT_TRUE(settings.unit_quantities);
        EXPECT_FALSE(settings.big_flags) << bigFlags;
    }
}

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

// A stored text as it reads back: the 256 limit counts characters, not bytes nor UTF-16
// units, and a value that holds commas is the text it is, not a list.
TEST_F(SettingsStoreTest, StoredTextsReadAsWrittenWithinTheLimit) {
    const std::string cyrillic = "\xd0\x94";       // two bytes, one letter
    const std::string emoji = "\xf0\x9f\x98\x80";  // U+1F600: two UTF-16 units, one character
    const struct {
        std::string stored;
        std::optional<std::string> read;  // nothing: absent
    } cases[] = {
        {std::string(256, 'g'), std::string(256, 'g')},
        {std::string(257, 'g'), std::nullopt},
        {Repeat(cyrillic, 256), Repeat(cyrillic, 256)},
        {Repeat(cyrillic, 257), std::nullopt},
        {Repeat(emoji, 256), Repeat(emoji, 256)},
        {Repeat(emoji, 257), std::nullopt},
        {std::string(255, 'g') + emoji, std::string(255, 'g') + emoji},  // 257 UTF-16 units
        {"/a,b.xml", "/a,b.xml"},
        {"a, b ,c", "a, b ,c"},
        {"\"a,b\"", "a,b"},
        {"\"a\",b", "a,b"},  // quoted pieces: QSettings has undone the quotes
        {"", std::nullopt},
        {"@ByteArray(jar)", "jar"},  // the form of bytes that are not UTF-8
        {"@ByteArray(\\xe9t\\xe9)", "\xe9t\xe9"},
        {"@ByteArray(a\\0b)", std::nullopt},
    };
    for (const auto& entry : cases) {
        store.WriteUserFile("[General]\nzoom_factor=7\ngame_config=" + entry.stored + "\n");
        std::string text = "stale";
        const bool present = ReadSettingValue(SettingsScope::User, "game_config", text);
        EXPECT_EQ(present ? std::optional<std::string>(text) : std::nullopt, entry.read)
            << entry.stored;
        EXPECT_EQ(Restart().game_config, entry.read.value_or(Settings().game_config))
            << entry.stored;
    }
}

TEST_F(SettingsStoreTest, SavedTextsWithinTheLimitSurviveARestart) {
    Settings settings;
    Settings lastStored;
    settings.maps_directory = Repeat("\xd0\x94", 256);
    settings.game_config = "/games/a,b.xml";
    settings.images_directory = "/TripleA/Sp\xe9l/images";  // not UTF-8: kept as bytes
    settings.base = "/" + std::string(255, '\xe9');
    EXPECT_TRUE(FitsSettingValue(settings.base));
    EXPECT_FALSE(FitsSettingValue(settings.base + "x"));
    EXPECT_TRUE(FitsSettingValue(settings.maps_directory));
    EXPECT_FALSE(FitsSettingValue(settings.maps_directory + "x"));
    settings.save = Repeat("\xf0\x9f\x98\x80", 256);  // U+1F600, two UTF-16 units each
    EXPECT_TRUE(FitsSettingValue(settings.save));
    EXPECT_FALSE(FitsSettingValue(settings.save + "x"));
    EXPECT_EQ(SaveSettings(settings, lastStored), "");
    EXPECT_EQ(Restart().maps_directory, settings.maps_directory);
    EXPECT_EQ(Restart().game_config, settings.game_config);
    EXPECT_EQ(Restart().images_directory, settings.images_directory);
    EXPECT_EQ(Restart().base, settings.base);
    EXPECT_EQ(Restart().save, settings.save);
}

// A store that cannot be written: the save says which file and why, and nothing counts as
// saved. As the superuser a read-only folder does not stop a save, so that case is left out.
TEST_F(SettingsStoreTest, AFailedSaveNamesTheFileAndTheReason) {
    namespace fs = std::filesystem;
    const fs::path file = store.UserFile();
    const fs::path folder = file.parent_path();
    const struct {
        const char* name;
        std::function<void()> spoil;
        const char* reason;
        bool asSuperuser;
    } cases[] = {
        {"folder as the store", [&] { fs::create_directories(file); }, "it is a folder, not a file",
         true},
        {"pipe as the store",
         [&] {
             fs::create_directories(folder);
             ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
         },
         "it is a named pipe, not a file", true},
        {"file as its folder",
         [&] {
             fs::create_directories(folder.parent_path());
             std::ofstream(folder.string()) << "not a folder";
         },
         "is not a folder", true},
        {"read-only folder",
         [&] {
             fs::create_directories(folder);
             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
         },
         "cannot be written: Permission denied", false},
    };
    for (const auto& entry : cases) {
        if (!entry.asSuperuser && ::geteuid() == 0) continue;
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        entry.spoil();
        Settings settings;
        Settings lastStored;
        settings.zoom_factor = 80;
        const std::string failure = SaveSettings(settings, lastStored);
        EXPECT_NE(failure.find("could not be saved to " + file.string() + ": "), std::string::npos)
            << entry.name << ": " << failure;
        EXPECT_NE(failure.find(entry.reason), std::string::npos) << entry.name << ": " << failure;
        EXPECT_EQ(lastStored.zoom_factor, Settings().zoom_factor) << entry.name;
        fs::permissions(folder, fs::perms::owner_all, ignored);
    }
}

TEST_F(SettingsStoreTest, SaveWritesEveryChangedValueButNeverTheUnitColour) {
    store.WriteUserFile("[General]\nunit_red=0\n");
    Settings settings;
    Settings lastStored;
    LoadSettings(settings, lastStored);
    // Texts that the file format has to quote or escape.
    settings = {};
    settings.game_config = " /a b/c ";
    settings.save = "C:\\Q\\\"x\";y";
    settings.java_runtime = "a,b, c";
    settings.triplea_jar = "@Variant(x)";
    settings.maps_directory = "#;=[General]";
    settings.images_directory = "tab\there\nand a new line";
    settings.base = "\xc3\xbcn\xc3\xaf/\xe6\x97\xa5";
    settings.zoom_factor = -5;
    settings.version = 3;
    settings.previous_delay = 4;
    settings.current_delay = 11;
    settings.region_labels = settings.unit_quantities = settings.do_file_import = true;
    settings.big_flags = settings.relief_tiles = false;
    settings.unit_green = 7;
    SaveSettings(settings, lastStored);

    QSettings file = StoreFile();
    QStringList keys = file.allKeys();
    keys.sort();
    EXPECT_EQ(keys.join(' ').toStdString(),
              "base big_flags current_delay do_file_import game_config images_directory "
              "java_runtime maps_directory previous_delay region_labels relief_tiles save "
              "triplea_jar unit_quantities unit_red version zoom_factor");
    EXPECT_EQ(file.value("zoom_factor").toString(), "-5");
    EXPECT_EQ(file.value("big_flags").toString(), "0");
    EXPECT_EQ(file.value("do_file_import").toString(), "1");
    EXPECT_EQ(file.value("unit_red").toString(), "0");

    settings.unit_red = 0;
    settings.unit_green = 200;
    EXPECT_EQ(Describe(Restart()), Describe(settings));
}

TEST_F(SettingsStoreTest, ClearedTextsStayClearedOnlyUntilTheNextStart) {
    store.WriteUserFile("[General]\nbase=/TA\nsave=/g.tsvg\n");
    Settings settings;
    Settings lastStored;
    LoadSettings(settings, lastStored);
    settings.base.clear();
    settings.save.clear();
    SaveSettings(settings, lastStored);
    LoadSettings(settings, lastStored);
    EXPECT_EQ(settings.base, "");
    EXPECT_EQ(Restart().base, Settings().base);
    EXPECT_EQ(Restart().save, "");
}

TEST_F(SettingsStoreTest, SaveKeepsWhatTheOtherProgramSavedMeanwhile) {
    Settings viewer, viewerStored, saver, saverStored;
    LoadSettings(viewer, viewerStored);
    LoadSettings(saver, saverStored);
    saver.zoom_factor = 50;
    saver.base = "/saver";
    SaveSettings(saver, saverStored);
    viewer.current_delay = 30;
    viewer.base = "/viewer";
    SaveSettings(viewer, viewerStored);
    SaveSettings(saver, saverStored);  // nothing changed since its last save: writes nothing
    const Settings restarted = Restart();
    EXPECT_EQ(restarted.zoom_factor, 50);
    EXPECT_EQ(restarted.current_delay, 30);
    EXPECT_EQ(restarted.base, "/viewer");
}

TEST_F(SettingsStoreTest, InstallationDirectoryComesOnlyFromTheMachineStore) {
    std::string folder;
    store.WriteUserFile("[General]\nInstallationDirectory=/user\n");
    EXPECT_FALSE(ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder));
    store.SetMachineValue("InstallationDirectory", "/opt/quelm");
    store.SetMachineValue("zoom_factor", "77");
    EXPECT_TRUE(ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder));
    EXPECT_EQ(folder, "/opt/quelm");
    EXPECT_EQ(Restart().zoom_factor, 34);
}

// Other processes take a store whose size and modification millisecond did not change as
// unchanged, so no save of equal size may keep the time of the version it replaces, even
// when that time lies ahead of the clock.
TEST_F(SettingsStoreTest, EverySaveLeavesALaterModificationTime) {
    const QString file = QString::fromStdString(store.UserFile());
    ASSERT_TRUE(WriteSettingValue("zoom_factor", "10"));
    {
        QFile ahead(file);
        ASSERT_TRUE(ahead.open(QIODevice::ReadOnly));
        ahead.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60),
                          QFileDevice::FileModificationTime);
    }
    qint64 previous = QFileInfo(file).lastModified().toMSecsSinceEpoch();
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(WriteSettingValue("zoom_factor", std::to_string(11 + i % 2)));
        const qint64 modified = QFileInfo(file).lastModified().toMSecsSinceEpoch();
        EXPECT_GT(modified, previous);
        previous = modified;
    }
}

TEST_F(SettingsStoreTest, TwoProgramsSavingAtOnceLoseNothing) {
    constexpr int kSaves = 300;
    ASSERT_TRUE(WriteSettingValue("base", "/untouched"));
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* name : {"zoom_factor", "current_delay"}) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->setProcessEnvironment(store.Environment());
        writers.back()->setProcessChannelMode(QProcess::ForwardedChannels);
        writers.back()->start(QUELM_STORE_WRITER, {name, "100000", QString::number(kSaves)});
    }
    for (const auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(120000));
        EXPECT_EQ(writer->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(writer->exitCode(), 0);
    }
    EXPECT_EQ(StoreFile().status(), QSettings::NoError);
    const Settings restarted = Restart();
    EXPECT_EQ(restarted.zoom_factor, 100000 + kSaves - 1);
    EXPECT_EQ(restarted.current_delay, 100000 + kSaves - 1);
    EXPECT_EQ(restarted.base, "/untouched");
}

}  // namespace
