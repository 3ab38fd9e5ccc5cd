#include "settings/presets.h"

#include <filesystem>
#include <system_error>

#include "base/stringutil.h"
#include "platform/usermessages.h"

const GamePreset kGamePresets[kGamePresetCount] = {
    {"Revised", "AA4th_edition.xml", "revised"},
    {"Pact of Steel", "Pact_of_Steel.xml", "pact_of_steel"},
    {"Pacific", "pacific_incomplete.xml", "pacific"},
    {"Europe", "europe_incomplete.xml", "europe"},
    {"Classic", "classic_a&a.xml", "classic"},
    {"Big World", "Big_World_1942.xml", "big_world"},
};

const char* const kPresetJavaRuntime = "/usr/bin/java";

namespace {

constexpr int kFirstVersionWithRevisedXml = 2;

VersionPreset BuiltInVersion(const std::string& name, const std::string& folder,
                             const std::string& jar) {
    const std::string root = "%s/" + folder;
    const std::string images = root + "/classes/games/strategy/triplea/image/images";
    return {name,           images + "/maps/%s",    images,
            root + "/bin/" + jar, kPresetJavaRuntime, root + "/games/%s"};
}

void AppendBuiltInVersions(VersionList& versions) {
    versions.push_back(BuiltInVersion("Triplea_0_6_0", "triplea_0_6_0", "tripleA.jar"));
    versions.push_back(BuiltInVersion("Triplea_0_6_0_1", "triplea_0_6_0_1", "triplea.jar"));
    versions.push_back(BuiltInVersion("Triplea_0_7_3", "triplea_0_7_3", "triplea.jar"));
}

// A folder name as literal text inside a printf template.
std::string EscapePercent(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}

// The row of a version installed in folder name under the root: the layout of TripleA
// 0.8 and later, with the folder name taken literally.
VersionPreset DiscoveredVersion(const std::string& name) {
    const std::string root = "%s/" + EscapePercent(name);
    return {name, root + "/maps/%s", root + "/images", root + "/bin/triplea.jar",
            kPresetJavaRuntime, root + "/games/%s"};
}

// "*." on the original platform: names without an extension.
bool HasNoExtension(const std::string& name) { return name.find('.') == std::string::npos; }

void AppendInstalledVersions(const std::string& root, VersionList& versions) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(fs::u8path(root), error);
    if (error) return;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().u8string();
        if (name == "." || name == ".." || !HasNoExtension(name)) continue;
        std::error_code typeError;
        if (!entry.is_directory(typeError)) continue;
        versions.push_back(DiscoveredVersion(name));
    }
}

}  // namespace

void BuildVersionList(Settings& settings, VersionList& versions) {
    versions.clear();
    AppendBuiltInVersions(versions);
    AppendInstalledVersions(settings.base, versions);
    const auto count = static_cast<std::int32_t>(versions.size());
    if (settings.version < 0 || settings.version >= count) settings.version = count - 1;
}

std::optional<GameDefaultPaths> HandleGameDefaultChange(Settings& settings,
                                                        const VersionList& versions,
                                                        const std::string& root,
                                                        std::int32_t version, std::int32_t game,
                                                        UserMessages& messages) {
    settings.version = version;
    if (version < 0 || static_cast<std::size_t>(version) >= versions.size()) {
        messages.ShowMessage("Failed to get default game", "HandleGameDefaultChange");
        return std::nullopt;
    }
    settings.base = root;
    const VersionPreset& row = versions[static_cast<std::size_t>(version)];
    const GamePreset& preset = kGamePresets[(game >= 0 && game < kGamePresetCount) ? game : 0];
    const bool revisedXml = version >= kFirstVersionWithRevisedXml && &preset == &kGamePresets[0];
    const char* gameFile = revisedXml ? "revised.xml" : preset.file;
    const char* rootText = settings.base.c_str();

    GameDefaultPaths paths;
    FormatString(paths.images_directory, row.images_format.c_str(), rootText);
    FormatString(paths.game_config, row.games_format.c_str(), rootText, gameFile);
    FormatString(paths.maps_directory, row.maps_format.c_str(), rootText, preset.map_folder_key);
    FormatString(paths.triplea_jar, row.jar_format.c_str(), rootText);

    if (version < kFirstVersionWithRevisedXml) {
        settings.java_runtime = row.java_runtime;
    } else {
        FormatString(settings.java_runtime, row.java_runtime.c_str(), rootText);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::u8path(settings.java_runtime), error)) {
            settings.java_runtime = versions.front().java_runtime;
        }
    }
    return paths;
}
