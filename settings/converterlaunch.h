#pragma once

#include "savegame/savedgame.h"
#include "settings/settings.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
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

// Reads a TripleA saved game into a converter text, as ReadSavedGameText does; the tests
// put a reader of their own in its place.
using SavedGameReader = bool (*)(const std::string& path, std::string& text, SavedGameError& error);

// What confirming the configuration does about the saved-game import: with the import box
// checked and a saved game named, read the save with Quelm's own reader into the converter
// output; otherwise delete that output. The Java converter stands by for a save whose
// classes or layout the reader does not know, when a Java runtime and a TripleA jar are
// named and exist and the installation folder to run the converter from is known.
struct SaveGameImport {
    enum class Action { ReadSave, DeleteOutput };
    Action action = Action::DeleteOutput;
    std::string save;                           // settings.save, for ReadSave
    std::string output;                         // GetConverterOutputPath()
    std::optional<ConverterCommand> converter;  // for ReadSave, when Java can run it
};
SaveGameImport PlanSaveGameImport(const Settings& settings, bool importChecked);

// How reading the saved game of a plan into its output went: written, the reader failed
// (error), or the text was read but could not be written (writeFailure, naming the file).
struct SaveGameReading {
    bool written = false;
    SavedGameError error;
    std::string writeFailure;
};

// Reads plan.save with reader and writes the text to plan.output at once, making the
// output's folder when needed. The file is replaced only when the new one is complete.
SaveGameReading ReadSaveGameIntoOutput(const SaveGameImport& plan,
                                       SavedGameReader reader = ReadSavedGameText);

// True when the reader did not know the save's classes or layout and the plan can run the
// Java converter on it instead.
bool ConverterMayTry(const SaveGameImport& plan, const SaveGameReading& reading);

// Deletes the converter output of the plan, so that no other game's history is shown.
void RemoveConverterOutput(const SaveGameImport& plan);

// Carries out the plan where nothing waits: reads the save with reader into the output at
// once; for a save the reader does not know, deletes the old output and starts the Java
// converter without a shell, leaving it running to write the output. When the save is not
// read and no converter starts, or no import is wanted, deletes the output. The
// configuration dialog waits for the converter instead (app/saveimport.h).
void LaunchSaveGameImport(const Settings& settings, bool importChecked,
                          SavedGameReader reader = ReadSavedGameText);
