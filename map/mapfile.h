#pragma once

#include "map/mapdata.h"

#include <QString>

#include <string>

// The path of the entry name (a file or a tile folder) inside the map folder, which is held
// as the file system's bytes (see PathText).
QString MapFolderEntry(const MapData& mapData, const QString& name);

// The path of a text file of the map folder, as it is opened.
std::string MapTextFilePath(const MapData& mapData, const QString& name);

// Reads the text file name of the map folder whole. False when it cannot be opened or read.
bool ReadMapTextFile(const MapData& mapData, const QString& name, QString& text);
