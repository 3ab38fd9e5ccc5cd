#include "map/mapfile.h"

#include "base/pathutil.h"
#include "base/textfile.h"

QString MapFolderEntry(const MapData& mapData, const QString& name) {
    return JoinPath(PathText(mapData.mapFolder), name);
}

bool ReadMapTextFile(const MapData& mapData, const QString& name, QString& text) {
    return ReadTextFile(PathBytes(MapFolderEntry(mapData, name)), text) >= 0;
}
