#pragma once

#include <cstdint>
#include <string>

// The one configuration record of a program. Fields are named after the stored values that
// keep them. Paths are the file system's bytes, usually UTF-8 (see PathText).
struct Settings {
    Settings();

    std::string game_config;       // TripleA game definition (XML) file
    std::string maps_directory;    // map folder of that game
    std::string images_directory;  // TripleA image folder (flags and units)
    std::string base;              // TripleA root: one subfolder per installed version
    std::string save;              // saved game to import
    std::string java_runtime;      // Java runtime that runs the converter
    std::string triplea_jar;       // TripleA jar on the converter's class path
    std::int32_t zoom_factor = 34;  // zoom in hundredths
    std::int32_t version = -1;      // position in the version list; -1: none chosen yet
    std::int32_t unit_red = 255;    // unit colour: the colour of unit quantities
    std::int32_t unit_green = 200;
    std::int32_t unit_blue = 0;
    std::int32_t previous_delay = 2;   // seconds every frame but the last stays on screen
    std::int32_t current_delay = 10;   // seconds the last frame stays on screen
    bool region_labels = false;
    bool big_flags = true;
    bool unit_quantities = false;
    bool relief_tiles = true;
    bool do_file_import = false;
};

// The record of this program. Created with the defaults at its first use, it lives until
// the process ends; only the user-interface thread touches it.
Settings& ProcessSettings();

// The folder under which the defaults expect TripleA: $HOME/TripleA.
std::string DefaultTripleARoot();
