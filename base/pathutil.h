#pragma once

#include <QString>

#include <string>

// A path as the file system holds it (bytes, usually UTF-8) in a QString, and back, without
// loss: UTF-8 is decoded, and every byte that is not part of it becomes the lone surrogate
// U+DC80 to U+DCFF that PathBytes turns back into that byte. QFile::decodeName would turn
// such bytes into U+FFFD, so a folder named in Latin-1 could be shown but never opened.
// Qt's own file classes still take such a text for another name: open these paths by
// their bytes.
QString PathText(const std::string& bytes);
std::string PathBytes(const QString& text);

// Joins a folder and a name with one "/": an empty name gives the folder, an empty folder
// gives the name, and one leading "/" of the name is dropped when the folder has its own.
QString JoinPath(const QString& folder, const QString& name);

// Matches a file name against a pattern of "?" (any one character), "*" (any run of
// characters, with the "*." rule for names with several dots) and other characters
// compared without letter case. Used with "*.png": true exactly for names ending in
// ".png" in any letter case.
bool MatchWildcard(const QString& pattern, const QString& name);
