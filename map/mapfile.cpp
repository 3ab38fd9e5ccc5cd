#include "map/mapfile.h"

#include "base/pathutil.h"
#include "base/textfile.h"

QString MapFolderEntry(const MapData& mapData, const QString& name) {
    return JoinPath(QString::fromStdString(mapData.mapFolder), name);
}

bool ReadMapTextFile(const MapData& mapData, const QString& name, QString& text) {
    return ReadTextFile(MapFolderEntry(mapData, name).toStdString(), text) >= 0;
}
