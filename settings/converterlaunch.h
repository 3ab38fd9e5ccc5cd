#pragma once

#include "settings/settings.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class PathStandIn;

// The Java runtime and its arguments that run the save-game converter. A path that is not
// UTF-8 is handed over as a stand-in name (see PathStandIn), which lives as long as the
// command and its copies.
struct ConverterCommand {
    QString program;
    QStringList arguments;
    std::vector<std::shared_ptr<const PathStandIn>> standIns;

    // message, which the converter wrote about the names it was given, with the real paths.
    QString Unmasked(QString message) const;
};

// Where the converter writes a saved game's history and both programs read it: "Trevo.txt"
// in the user's own data folder ($XDG_DATA_HOME/Ostrevan/Quelm), so that every user imports
// without write access to the installation and keeps a history of their own; in the
// temporary folder when the user has no data folder.
std::string GetConverterOutputPath();

// Makes the folder of the converter output when it is not there yet; false when it cannot.
bool MakeConverterOutputFolder(const std::string& output);

// The folder of the converter's classes and xstream.jar: the machine-wide
// "InstallationDirectory" where an administrator set one, otherwise the installation of the
// running program (OwnInstallationFolder); "" when neither is known.
std::string GetInstallationFolder();

// The installation that a program lying in programFolder belongs to: the converter built
// beside it when it runs from its CMake build folder (which holds CMakeCache.txt), else
// <programFolder>/../share/quelm, as the install step lays it out under any prefix.
std::string OwnInstallationFolder(const std::string& programFolder);

// The converter's command for the installation folder (the folder of the converter class
// and xstream.jar): the class path lists that folder, its xstream.jar and the TripleA jar;
// the converter reads the saved game and writes output.
ConverterCommand MakeConverterCommand(const Settings& settings,
                                      const std::string& installationFolder,
                                      const std::string& output);

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
