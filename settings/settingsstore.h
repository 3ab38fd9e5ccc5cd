#pragma once

#include "settings/settings.h"

#include <string>

// The settings store: one text value per field, named after the field, in the user's
// QSettings file ($XDG_CONFIG_HOME/Ostrevan/Quelm.conf). The machine-wide file of the same
// name (/etc/xdg/Ostrevan/Quelm.conf) is only read, for "InstallationDirectory". The viewer
// and the screen saver share the user's file; they read it under a shared lock and save to
// it under an exclusive one, each save in one step.
enum class SettingsScope { User, Machine };

// Reads one value. It counts as absent, giving false and an empty text, when the store
// cannot be read (a store that is not a regular file included), the value is missing, is
// not text, is empty or is longer than 256 characters. A value QSettings would read as a
// list because it holds commas is read as the text it is.
bool ReadSettingValue(SettingsScope scope, const char* name, std::string& text);

// Writes one value to the user's store; false when the store cannot be written.
bool WriteSettingValue(const char* name, const std::string& text);

// True when text is short enough to be read back from the store: at most 256 characters.
bool FitsSettingValue(const std::string& text);

// Reads every value present in the user's store over the matching field of settings;
// absent values leave their fields unchanged. lastStored keeps, per field, the value this
// process last read from or wrote to the store (start it with the defaults).
void LoadSettings(Settings& settings, Settings& lastStored);

// Writes the fields, except the unit colour, that differ from lastStored, and updates
// lastStored once they are written. Fields this process did not change are left alone, so
// that a value the other program saved in the meantime survives. Returns an empty text,
// or, when the store could not be written, a sentence naming its file and the reason.
std::string SaveSettings(const Settings& settings, Settings& lastStored);

// The same for the process's own record.
void LoadSettings();
std::string SaveSettings();
