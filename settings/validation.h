#pragma once

#include "settings/settings.h"

class UserMessages;

// Tests that every file and folder the settings name exists (files and folders alike; an
// empty path fails) and, when some do not, shows them all in one "Invalid Configuration"
// message box. The saved game, the Java runtime and the TripleA jar are tested only when
// the import is on.
void ValidateSettings(const Settings& settings, UserMessages& messages);
