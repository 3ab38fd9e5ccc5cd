#include "map/mapfile.h"

#include "base/pathutil.h"
#include "base/textfile.h"

QString MapFolderEntry(const MapData& mapData, const QString& name) {
    return JoinPath(QString::fromStdString(mapData.mapFolder), name);
}

std::string MapTextFilePath(const MapData& mapData, const QString& name) {
    return MapFolderEntry(mapData, name).toStdString();
}

bool ReadMapTextFile(const MapData& mapData, const QString& name, QString& text) {
    return ReadTextFile(MapTextFilePath(mapData, name), text) >= 0;
}
