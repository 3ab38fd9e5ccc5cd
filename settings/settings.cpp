#include "settings/settings.h"

#include <cstdlib>

std::string DefaultTripleARoot() {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/TripleA";
}

Settings::Settings()
    : game_config(DefaultTripleARoot() + "/triplea_0_8_2_1/games/revised.xml"),
      maps_directory(DefaultTripleARoot() + "/triplea_0_8_2_1/maps/revised"),
      images_directory(DefaultTripleARoot() + "/triplea_0_8_2_1/images"),
      base(DefaultTripleARoot()) {}

Settings& ProcessSettings() {
    static Settings settings;
    return settings;
}
