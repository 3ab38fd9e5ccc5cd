#pragma once

#include <QString>

// Joins a folder and a name with one "/": an empty name gives the folder, an empty folder
// gives the name, and one leading "/" of the name is dropped when the folder has its own.
QString JoinPath(const QString& folder, const QString& name);

// Matches a file name against a pattern of "?" (any one character), "*" (any run of
// characters, with the "*." rule for names with several dots) and other characters
// compared without letter case. Used with "*.png": true exactly for names ending in
// ".png" in any letter case.
bool MatchWildcard(const QString& pattern, const QString& name);
