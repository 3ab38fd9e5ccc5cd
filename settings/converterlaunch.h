#pragma once

#include "settings/settings.h"

#include <QString>
#include <QStringList>

#include <string>

// The Java runtime and its arguments that run the save-game converter.
struct ConverterCommand {
    QString program;
    QStringList arguments;
};

// Where the converter writes a saved game's history: "Trevo.txt" in the machine-wide
// "InstallationDirectory", or in the user's temporary folder when that value is absent.
std::string GetConverterOutputPath();

// The converter's command for the installation folder (the folder of the converter class
// and xstream.jar): the class path lists that folder, its xstream.jar and the TripleA jar;
// the converter reads the saved game and writes the output path.
ConverterCommand MakeConverterCommand(const Settings& settings,
                                      const std::string& installationFolder);

// With the import box checked and a saved game named, starts the converter without a
// shell and without waiting for it; the converter writes GetConverterOutputPath(). Without
// an import, or when the converter cannot be started, deletes that file instead. Without
// an installation folder nothing is started and nothing deleted.
void LaunchSaveGameImport(const Settings& settings, bool importChecked);
