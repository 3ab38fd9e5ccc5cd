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

// What confirming the configuration does about the saved-game import: with the import box
// checked and a saved game named, run the converter, or nothing at all when there is no
// installation folder to run it from; otherwise delete the converter output.
struct SaveGameImport {
    enum class Action { Nothing, RunConverter, DeleteOutput };
    Action action = Action::Nothing;
    ConverterCommand command;  // for RunConverter
    std::string output;        // GetConverterOutputPath()
};
SaveGameImport PlanSaveGameImport(const Settings& settings, bool importChecked);

// Carries out the plan without waiting: starts the converter without a shell and leaves it
// running; the converter writes GetConverterOutputPath(). When the converter cannot be
// started, or no import is wanted, deletes that file instead. The configuration dialog waits
// for the converter instead (app/saveimport.h).
void LaunchSaveGameImport(const Settings& settings, bool importChecked);
