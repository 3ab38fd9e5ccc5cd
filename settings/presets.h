#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

class UserMessages;

// One selectable TripleA version: printf templates of the paths that a root folder, a
// game file name and a map folder key give.
struct VersionPreset {
    std::string name;
    std::string maps_format;    // holes: root, map folder key
    std::string images_format;  // hole: root
    std::string jar_format;     // hole: root
    std::string java_runtime;   // no hole
    std::string games_format;   // holes: root, game file name
};

using VersionList = std::vector<VersionPreset>;

// One game button of the configuration dialog.
struct GamePreset {
    const char* caption;
    const char* file;
    const char* map_folder_key;
};

constexpr int kGamePresetCount = 6;
extern const GamePreset kGamePresets[kGamePresetCount];

// The Java runtime of every built-in version.
extern const char* const kPresetJavaRuntime;

// The paths HandleGameDefaultChange derives, for the dialog's fields.
struct GameDefaultPaths {
    std::string game_config;
    std::string maps_directory;
    std::string images_directory;
    std::string triplea_jar;
};

// Rebuilds the list: the three built-in versions, then one row per sub-folder of
// settings.base without a dot in its name, in the order the file system lists them.
// Corrects settings.version to the last row when it is negative or past the end.
void BuildVersionList(Settings& settings, VersionList& versions);

// Derives the paths of game index game (0 when out of range) of version position version
// under root. Stores version, base and java_runtime in the settings at once; the paths
// reach the settings only through the dialog. Without a selected version, shows "Failed to
// get default game" and changes nothing else.
std::optional<GameDefaultPaths> HandleGameDefaultChange(Settings& settings,
                                                        const VersionList& versions,
                                                        const std::string& root,
                                                        std::int32_t version, std::int32_t game,
                                                        UserMessages& messages);
