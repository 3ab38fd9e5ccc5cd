#pragma once

#include "settings/converterlaunch.h"
#include "settings/converterrun.h"
#include "settings/settings.h"

class QWidget;
class UserMessages;

// The import step of confirming the configuration. With the import box checked and a saved
// game named, reads the save with Quelm's own reader and writes its history at once, so that
// the imported game is there when the settings reach the renderer. For a save whose classes
// or layout the reader does not know, runs TripleA's Java converter instead when a Java
// runtime, a TripleA jar and the installation folder are there, and waits until it ends, at
// most timeLimitMs, showing a progress window with a Cancel button over parent. A failure is
// reported in a message box that says which reader failed and why; after any import that
// did not succeed the converter output is deleted, so that no other game's history is shown
// as the import. Without an import the output is deleted.
void ImportSaveGame(QWidget* parent, const Settings& settings, bool importChecked,
                    UserMessages& messages, int timeLimitMs = ConverterRun::kTimeLimitMs,
                    SavedGameReader reader = ReadSavedGameText);
