#include "map/mapfile.h"

#include "base/pathutil.h"
#include "base/textfile.h"

QString MapFolderEntry(const MapData& mapData, const QString& name) {
    return JoinPath(PathText(mapData.mapFolder), name);
}

std::string MapTextFilePath(const MapData& mapData, const QString& name) {
    return PathBytes(MapFolderEntry(mapData, name));
}

bool ReadMapTextFile(const MapData& mapData, const QString& name, QString& text) {
    return ReadTextFile(MapTextFilePath(mapData, name), text) >= 0;
}
