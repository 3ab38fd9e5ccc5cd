// Saves one integer setting again and again, as the viewer or the screen saver saves its
// configuration, and checks before each save that the store still holds the value it saved
// last. Arguments: the value name, the first value, the number of saves. Exits with 1 when
// the store lost one of its values.

#include "settings/settingsstore.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

int main(int argc, char** argv) {
    const std::map<std::string, std::int32_t Settings::*> fields = {
        {"zoom_factor", &Settings::zoom_factor},
        {"version", &Settings::version},
        {"previous_delay", &Settings::previous_delay},
        {"current_delay", &Settings::current_delay}};
    if (argc != 4 || fields.count(argv[1]) == 0) return 2;
    std::int32_t Settings::*const field = fields.at(argv[1]);
    const int first = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);

    LoadSettings();
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            Settings stored;
            Settings lastStored;
            LoadSettings(stored, lastStored);
            if (stored.*field != first + i - 1) ++lost;
        }
        ProcessSettings().*field = first + i;
        SaveSettings();
    }
    if (lost > 0) std::fprintf(stderr, "%s: %d saved values lost\n", argv[1], lost);
    return lost > 0 ? 1 : 0;
}
