#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

struct RenderOptions;

// True when path starts like a TripleA saved game (a gzip stream), so that a saved game
// given where a converter text belongs can be pointed at --save.
bool LooksLikeSavedGame(const QString& path);

// Reads the saved game at save with Quelm's own reader into text, a converter text. False,
// with a one-line reason naming the file in error, when the save cannot be read.
bool ReadSaveWithOwnReader(const QString& save, std::string& text, QString& error);

// Writes the history tree of the saved game at save into tree (see DescribeSavedGame),
// ending in a line break. False, with a one-line reason naming the file in error.
bool DescribeSave(const QString& save, std::string& tree, QString& error);

// Runs the save-game converter on options.save with the Java runtime and TripleA jar of the
// options, into a temporary folder that lives, with the history in it, as long as this
// object.
class SavedGameConversion {
public:
    // False, with a one-line reason in error, when the converter cannot run or fails.
    bool Convert(const RenderOptions& options, QString& error);
    // The converted history; valid after a successful Convert.
    QString HistoryPath() const;

private:
    std::unique_ptr<QTemporaryDir> folder;
};
