// Debian's TripleA 1.9 laid out for the configuration dialog's presets by quelm_link_triplea.
#include "convertersupport.h"

#include "recordingmessages.h"
#include "settings/presets.h"
#include "settings/validation.h"

namespace fs = std::filesystem;

TEST(DebianTripleATest, LinkedLayoutGivesEveryPathThroughThePresets) {
    QUELM_REQUIRE_CONVERTER(files);
    TemporaryFolder folder;
    const std::string root = folder.File("Triple A");
    for (int run = 0; run < 2; ++run) {  // a second run replaces its links
        QProcess link;
        link.setProgram(QUELM_LINK_TRIPLEA);
        link.setArguments({QString::fromStdString(files.gameFile), QString::fromStdString(root)});
        const ProcessEnd end = RunToEnd(link);
        ASSERT_EQ(end.exitCode, 0) << end.standardError;
    }

    Settings settings;
    settings.base = root;
    VersionList versions;
    BuildVersionList(settings, versions);
    const auto row = std::find_if(versions.begin(), versions.end(),
                                  [](const VersionPreset& v) { return v.name == "triplea_1_9"; });
    ASSERT_NE(row, versions.end());
    RecordingMessages messages;
    const auto paths = HandleGameDefaultChange(
        settings, versions, root, static_cast<std::int32_t>(row - versions.begin()), 0, messages);
    ASSERT_TRUE(paths);
    settings.maps_directory = paths->maps_directory;
    settings.images_directory = paths->images_directory;
    settings.game_config = paths->game_config;
    settings.triplea_jar = paths->triplea_jar;
    EXPECT_EQ(fs::canonical(settings.triplea_jar), fs::canonical(files.jar));
    EXPECT_EQ(fs::canonical(settings.game_config), fs::canonical(files.gameFile));
    EXPECT_EQ(fs::canonical(settings.maps_directory), fs::canonical(files.mapFolder + "/map"));
    EXPECT_TRUE(fs::is_directory(settings.images_directory + "/flags"));
    EXPECT_EQ(settings.java_runtime, "/usr/bin/java");
    settings.do_file_import = true;
    settings.save = files.save;
    ValidateSettings(settings, messages);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().first;
}
