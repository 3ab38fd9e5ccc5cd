#pragma once

#include "settings/converterrun.h"
#include "settings/settings.h"

class QWidget;
class UserMessages;

// The import step of confirming the configuration. With the import box checked and a saved
// game named, runs the converter and waits until it ends, at most timeLimitMs, showing a
// progress window with a Cancel button over parent, so that the imported game is there when
// the settings reach the renderer. A converter that fails, cannot be started or takes too
// long is reported in a message box with its reason; after any run that did not succeed the
// converter output is deleted, so that no other game's history is shown as the import.
// Without an import the output is deleted; without an installation folder nothing happens.
void ImportSaveGame(QWidget* parent, const Settings& settings, bool importChecked,
                    UserMessages& messages, int timeLimitMs = ConverterRun::kTimeLimitMs);
