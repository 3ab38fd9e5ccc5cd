#include <cstdlib>

#include <gtest/gtest.h>

#include "recordingmessages.h"
#include "settings/presets.h"
#include "settings/settings.h"
#include "testsupport.h"

namespace {

std::vector<std::string> Names(const VersionList& versions) {
    std::vector<std::string> names;
    for (const VersionPreset& row : versions) names.push_back(row.name);
    return names;
}

TEST(Settings, DefaultsLookForTripleAUnderTheHomeFolder) {
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const Settings settings;
    EXPECT_EQ(settings.game_config, home + "/TripleA/triplea_0_8_2_1/games/revised.xml");
    EXPECT_EQ(settings.maps_directory, home + "/TripleA/triplea_0_8_2_1/maps/revised");
    EXPECT_EQ(settings.images_directory, home + "/TripleA/triplea_0_8_2_1/images");
    EXPECT_EQ(settings.base, home + "/TripleA");
    EXPECT_EQ(settings.save, "");
    EXPECT_EQ(settings.java_runtime, "");
    EXPECT_EQ(settings.triplea_jar, "");
    EXPECT_EQ(settings.zoom_factor, 34);
    EXPECT_EQ(settings.version, -1);
    EXPECT_EQ(std::vector<int>({settings.unit_red, settings.unit_green, settings.unit_blue}),
              std::vector<int>({255, 200, 0}));
    EXPECT_EQ(settings.previous_delay, 2);
    EXPECT_EQ(settings.current_delay, 10);
    EXPECT_FALSE(settings.region_labels);
    EXPECT_TRUE(settings.big_flags);
    EXPECT_FALSE(settings.unit_quantities);
    EXPECT_TRUE(settings.relief_tiles);
    EXPECT_FALSE(settings.do_file_import);
}

class VersionListTest : public ::testing::Test {
protected:
    Settings settings;
    VersionList versions;
    TemporaryFolder root;
};

TEST_F(VersionListTest, BuiltInRowsThenFoldersWithoutExtension) {
    root.MakeFolder("triplea_0_8_2_1");
    root.MakeFolder("docs.old");
    root.Write("README", "a file, not a folder");
    settings.base = root.Path();
    BuildVersionList(settings, versions);
    EXPECT_EQ(Names(versions), (std::vector<std::string>{"Triplea_0_6_0", "Triplea_0_6_0_1",
                                                         "Triplea_0_7_3", "triplea_0_8_2_1"}));
    EXPECT_EQ(settings.version, 3);
}

TEST_F(VersionListTest, VersionIsCorrectedOnlyWhenOutOfRange) {
    root.MakeFolder("triplea_0_8_2_1");
    settings.base = root.Path();
    // Four rows: 0 to 3 are kept, anything else selects the last row.
    const struct {
        std::int32_t stored;
        std::int32_t kept;
    } cases[] = {{-1, 3}, {0, 0}, {2, 2}, {3, 3}, {4, 3}, {7, 3}};
    for (const auto& c : cases) {
        settings.version = c.stored;
        BuildVersionList(settings, versions);
        ASSERT_EQ(versions.size(), 4u);
        EXPECT_EQ(settings.version, c.kept) << "stored " << c.stored;
    }
}

TEST_F(VersionListTest, MissingRootGivesTheBuiltInRowsAndSelectsTheLast) {
    settings.base = root.File("absent");
    BuildVersionList(settings, versions);
    EXPECT_EQ(versions.size(), 3u);
    EXPECT_EQ(settings.version, 2);
}

class GameDefaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.base = "/TA";
        BuildVersionList(settings, versions);  // no such root: the three built-in rows
        versions.push_back(VersionPreset{});
    }
    // Adds the row that a folder of this name under the root would give.
    void AddInstalledVersion(const std::string& name) {
        root.MakeFolder(name);
        Settings probe;
        probe.base = root.Path();
        VersionList found;
        BuildVersionList(probe, found);
        versions.back() = found.back();
    }
    std::optional<GameDefaultPaths> Change(std::int32_t version, std::int32_t game) {
        return HandleGameDefaultChange(settings, versions, "/TA", version, game, messages);
    }

    Settings settings;
    VersionList versions;
    RecordingMessages messages;
    TemporaryFolder root;
};

TEST_F(GameDefaultTest, InstalledVersionWithBigWorld) {
    AddInstalledVersion("triplea_0_8_2_1");
    const auto paths = Change(3, 5);
    ASSERT_TRUE(paths);
    EXPECT_EQ(paths->game_config, "/TA/triplea_0_8_2_1/games/Big_World_1942.xml");
    EXPECT_EQ(paths->maps_directory, "/TA/triplea_0_8_2_1/maps/big_world");
    EXPECT_EQ(paths->images_directory, "/TA/triplea_0_8_2_1/images");
    EXPECT_EQ(paths->triplea_jar, "/TA/triplea_0_8_2_1/bin/triplea.jar");
    EXPECT_EQ(settings.java_runtime, "/usr/bin/java");
    EXPECT_EQ(settings.base, "/TA");
    EXPECT_EQ(settings.version, 3);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GameDefaultTest, FirstBuiltInVersionWithRevised) {
    const auto paths = Change(0, 0);
    ASSERT_TRUE(paths);
    EXPECT_EQ(paths->game_config, "/TA/triplea_0_6_0/games/AA4th_edition.xml");
    EXPECT_EQ(paths->maps_directory,
              "/TA/triplea_0_6_0/classes/games/strategy/triplea/image/images/maps/revised");
    EXPECT_EQ(paths->images_directory,
              "/TA/triplea_0_6_0/classes/games/strategy/triplea/image/images");
    EXPECT_EQ(paths->triplea_jar, "/TA/triplea_0_6_0/bin/tripleA.jar");
}

TEST_F(GameDefaultTest, LaterVersionsCallTheRevisedGameRevisedXml) {
    EXPECT_EQ(Change(2, 0)->game_config, "/TA/triplea_0_7_3/games/revised.xml");
    EXPECT_EQ(Change(1, 0)->game_config, "/TA/triplea_0_6_0_1/games/AA4th_edition.xml");
    EXPECT_EQ(Change(2, 4)->game_config, "/TA/triplea_0_7_3/games/classic_a&a.xml");
    // No game button checked: the first game.
    EXPECT_EQ(Change(2, -1)->maps_directory,
              "/TA/triplea_0_7_3/classes/games/strategy/triplea/image/images/maps/revised");
}

TEST_F(GameDefaultTest, FolderNamesStayLiteralText) {
    AddInstalledVersion("100%s percent_s %d");
    const auto paths = Change(3, 1);
    ASSERT_TRUE(paths);
    EXPECT_EQ(paths->maps_directory, "/TA/100%s percent_s %d/maps/pact_of_steel");
    EXPECT_EQ(paths->game_config, "/TA/100%s percent_s %d/games/Pact_of_Steel.xml");
    EXPECT_EQ(paths->triplea_jar, "/TA/100%s percent_s %d/bin/triplea.jar");
}

TEST_F(GameDefaultTest, NothingSelectedShowsTheMessageAndChangesNoPath) {
    const Settings before = settings;
    EXPECT_FALSE(Change(-1, 0));
    EXPECT_EQ(settings.version, -1);
    EXPECT_EQ(settings.base, before.base);
    EXPECT_EQ(settings.java_runtime, before.java_runtime);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, "Failed to get default game");
    EXPECT_EQ(messages.shown[0].second, "HandleGameDefaultChange");
}

}  // namespace
