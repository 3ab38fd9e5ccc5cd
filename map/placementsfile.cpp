#include "map/placementsfile.h"

#include "base/stringutil.h"
#include "map/mapfile.h"
#include "map/polygonsfile.h"

#include <vector>

namespace {

Territory* FindTerritory(MapData& mapData, const std::string& name) {
    const auto found = mapData.territories.find(name);
    return found == mapData.territories.end() ? nullptr : &found->second;
}

}  // namespace

bool ReadPlacements(MapData& mapData) {
    QString text;
    if (!ReadMapTextFile(mapData, QStringLiteral("place.txt"), text)) return false;
    const qsizetype size = text.size();
    qsizetype position = 0;
    for (;;) {
        const QString name = ReadName(text, position, u'(');
        if (name.isEmpty()) return true;
        Territory* territory = FindTerritory(mapData, name.toStdString());

        for (; position < size && text[position] != u'\n'; ++position) {
            if (text[position] != u'(') continue;
            MapPoint point;
            if (ReadPoint(text, position, point.x, point.y) && territory) {
                territory->placements.push_back(point);
            }
            if (position == size) return false;
        }
        if (position == size) return true;
    }
}

bool ReadCapitals(MapData& mapData) {
    QString text;
    if (!ReadMapTextFile(mapData, QStringLiteral("capitols.txt"), text)) return false;
    qsizetype position = 0;
    while (position < text.size()) {
        std::string name;
        MapPoint point;
        if (!ReadNamedPoint(text, position, name, point.x, point.y)) continue;
        if (Territory* territory = FindTerritory(mapData, name)) {
            territory->isCapital = true;
            territory->capital = point;
        }
    }
    return true;
}

bool ReadNamedPoint(QStringView text, qsizetype& position, std::string& name, std::int32_t& x,
                    std::int32_t& y) {
    const qsizetype lineFeed = text.indexOf(u'\n', position);
    if (lineFeed < 0) {
        position = text.size();
        return false;
    }
    const QStringView line = text.mid(position, lineFeed - position);
    position = lineFeed + 1;
    if (line.isEmpty()) return false;

    const std::string trimmed = TrimSpace(line).toStdString();
    const std::vector<std::string> pieces = SplitString(trimmed, '(');
    if (pieces.size() != 2) return false;
    std::string pair = pieces[1];
    if (pair.empty() || pair.back() != ')') return false;
    pair.pop_back();
    const std::vector<std::string> numbers = SplitString(pair, ',');
    if (numbers.size() != 2) return false;
    name = TrimBlanks(pieces[0]);
    x = ReadLeadingInteger(numbers[0]);
    y = ReadLeadingInteger(numbers[1]);
    return true;
}
