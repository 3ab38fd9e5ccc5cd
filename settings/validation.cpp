#include "settings/validation.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "base/stringutil.h"
#include "platform/usermessages.h"

namespace {

bool PathExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return std::filesystem::exists(std::filesystem::u8path(path), error);
}

// Appends the line, with the path filled in, when the path does not exist.
void TestPath(const std::string& path, const char* line, std::string& message, bool& failed) {
    if (PathExists(path)) return;
    std::string filled;
    FormatString(filled, line, path.c_str());
    message += filled;
    failed = true;
}

}  // namespace

void ValidateSettings(const Settings& settings, UserMessages& messages) {
    std::string message = "Quelm Configuration was invalid for the following reason:\n\n";
    bool failed = false;
    TestPath(settings.game_config, "\tConfiguration File %s doesn't exist\n", message, failed);
    TestPath(settings.maps_directory, "\tMaps directory %s doesn't exist\n", message, failed);
    TestPath(settings.images_directory, "\tImages directory %s doesn't exist\n", message, failed);
    if (settings.do_file_import) {
        TestPath(settings.save, "\tSave File %s doesn't exist\n", message, failed);
        // Quelm reads saved games itself; Java and TripleA's jar are only a fall-back, so they
        // are tested when named, and left empty they are no fault.
        if (!settings.java_runtime.empty())
            TestPath(settings.java_runtime, "\tJava Runtime file %s doesn't exist\n", message,
                     failed);
        if (!settings.triplea_jar.empty())
            TestPath(settings.triplea_jar, "\tTripleA JAR file %s doesn't exist\n", message,
                     failed);
    }
    if (!failed) return;
    message += "\nCheck your configuration and try again.";
    messages.ShowMessage(message, "Invalid Configuration");
}
