#pragma once

#include <string>

// Why a TripleA saved game could not be read.
enum class SavedGameProblem {
    kNone,
    kUnreadable,   // the file cannot be opened or read
    kNotASave,     // not a gzip'd Java object stream that starts with TripleA's version
    kDamaged,      // cut short, corrupted, or beyond the reader's limits
    kUnsupported,  // a class or layout of a TripleA version this reader does not know
};

struct SavedGameError {
    SavedGameProblem problem = SavedGameProblem::kNone;
    std::string message;  // one line that names the file and the cause
};

// Reads the TripleA saved game (.tsvg) at path, a file name's bytes, and writes its history
// into text as the save-game converter's text: one frame per step that TripleA's history
// keeps, with the board after the step's last event. False, with error filled, when the
// save cannot be read; text is then empty.
bool ReadSavedGameText(const std::string& path, std::string& text, SavedGameError& error);

// Writes the history tree of the saved game into tree, one item a line: rounds, steps,
// events with their descriptions and event children, each with its count of changes.
bool DescribeSavedGame(const std::string& path, std::string& tree, SavedGameError& error);
