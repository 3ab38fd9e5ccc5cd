#include "settings/validation.h"

#include "recordingmessages.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

const char* const kHeading = "Quelm Configuration was invalid for the following reason:\n\n";
const char* const kClosing = "\nCheck your configuration and try again.";

class ValidationTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.game_config = folder.Write("game.xml", "<game/>");
        settings.maps_directory = folder.MakeFolder("maps");
        settings.images_directory = folder.MakeFolder("images");
        settings.save = settings.java_runtime = settings.triplea_jar = "";
    }
    // The one message shown, or "" when none was.
    std::string Validate() {
        messages.shown.clear();
        ValidateSettings(settings, messages);
        EXPECT_LE(messages.shown.size(), 1u);
        if (messages.shown.empty()) return "";
        EXPECT_EQ(messages.shown[0].second, "Invalid Configuration");
        return messages.shown[0].first;
    }

    TemporaryFolder folder;
    Settings settings;
    RecordingMessages messages;
};

TEST_F(ValidationTest, ImportFilesAreTestedOnlyWhenTheImportIsOn) {
    EXPECT_EQ(Validate(), "");
    settings.do_file_import = true;
    settings.java_runtime = folder.Write("java", "");
    settings.triplea_jar = folder.Write("triplea.jar", "");
    EXPECT_EQ(Validate(), std::string(kHeading) + "\tSave File  doesn't exist\n" + kClosing);
}

TEST_F(ValidationTest, EveryMissingPathIsListedInTableOrder) {
    const std::string game = settings.game_config;
    settings.game_config = folder.File("absent.xml");
    settings.maps_directory = folder.File("absent maps");
    EXPECT_EQ(Validate(), std::string(kHeading) + "\tConfiguration File " + settings.game_config +
                              " doesn't exist\n\tMaps directory " + settings.maps_directory +
                              " doesn't exist\n" + kClosing);

    // Only existence counts: a folder passes as a file and a file as a folder.
    settings.game_config = folder.Path();
    settings.maps_directory = game;
    EXPECT_EQ(Validate(), "");

    settings.images_directory = "";
    settings.do_file_import = true;
    settings.save = "/absent/g.tsvg";
    settings.java_runtime = "/absent/java";
    settings.triplea_jar = "/absent/triplea.jar";
    EXPECT_EQ(Validate(), std::string(kHeading) + "\tImages directory  doesn't exist\n" +
                              "\tSave File /absent/g.tsvg doesn't exist\n" +
                              "\tJava Runtime file /absent/java doesn't exist\n" +
                              "\tTripleA JAR file /absent/triplea.jar doesn't exist\n" + kClosing);

    // Without Java named, the import needs none: Quelm reads the save itself.
    settings.images_directory = folder.Path();
    settings.save = folder.Write("g.tsvg", "");
    settings.java_runtime = settings.triplea_jar = "";
    EXPECT_EQ(Validate(), "");
}

}  // namespace
