#include "map/polygonsfile.h"

#include "base/stringutil.h"
#include "map/mapfile.h"

#include <string>

namespace {

std::int32_t PointCount(const Territory& territory) {
    return static_cast<std::int32_t>(territory.points.size());
}

}  // namespace

bool ReadPoint(QStringView text, qsizetype& position, std::int32_t& x, std::int32_t& y) {
    const qsizetype start = position + 1;
    qsizetype close = text.indexOf(u')', start);
    if (close < 0) close = text.size();
    position = close;
    const QStringView inside = text.mid(start, close - start);
    const qsizetype comma = inside.indexOf(u',');
    if (comma < 0 || inside.indexOf(u',', comma + 1) >= 0) return false;
    x = ReadLeadingInteger(inside.left(comma));
    y = ReadLeadingInteger(inside.mid(comma + 1));
    return true;
}

QString ReadName(QStringView text, qsizetype& position, char16_t end) {
    const qsizetype start = position;
    position = text.indexOf(end, start);
    if (position < 0) position = text.size();
    return TrimSpace(text.mid(start, position - start));
}

bool ReadPolygons(MapData& mapData) {
    QString text;
    if (!ReadMapTextFile(mapData, QStringLiteral("polygons.txt"), text)) return false;
    const qsizetype size = text.size();
    qsizetype position = 0;
    for (;;) {
        const QString name = ReadName(text, position, u'<');
        if (name.isEmpty()) return true;
        Territory territory;
        territory.name = name.toStdString();
        territory.isSea = territory.name.find("Sea Zone") != std::string::npos;

        std::int32_t polygonStart = 0;
        for (; position < size && text[position] != u'\n'; ++position) {
            const QChar c = text[position];
            if (c == u'>') {
                territory.polygons.push_back({polygonStart, PointCount(territory)});
                territory.outlineCache.emplace_back();
                polygonStart = PointCount(territory);
            } else if (c == u'(') {
                MapPoint point;
                if (ReadPoint(text, position, point.x, point.y)) territory.points.push_back(point);
                if (position == size) return false;
            }
        }
        // A line is stored only at its line feed, so a last line without one is dropped.
        if (position == size) return true;
        const std::string key = territory.name;
        mapData.territories[key] = std::move(territory);
    }
}
