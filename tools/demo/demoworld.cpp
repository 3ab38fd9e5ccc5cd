#include "demoworld.h"

#include <QLineF>

#include <cmath>
#include <cstdint>

namespace demo {
namespace {

constexpr double kCellWidth = double(kMapWidth) / 6;
constexpr double kCellHeight = double(kMapHeight) / 4;
constexpr int kEdgeDepth = 4;  // 16 pieces per border

struct CellDefinition {
    const char* name;
    int production;  // 0 for sea zones
    bool mountains;
};

// Row by row, west to east. Names containing "Sea Zone" are sea zones.
const CellDefinition kCells[4][6] = {
    {{"Sea Zone 1", 0, false},
     {"Northwatch", 2, true},
     {"Elsfjord", 1, true},
     {"Kestrel Isle", 1, false},
     {"Sea Zone 2", 0, false},
     {"Sea Zone 3", 0, false}},
    {{"Aldmark", 8, false},
     {"Brenholm", 3, false},
     {"Corrath", 2, true},
     {"Sea Zone 4", 0, false},
     {"Glenhaven", 3, false},
     {"Harrowgate", 2, true}},
    {{"Sea Zone 5", 0, false},
     {"Dunmere", 2, false},
     {"Farrowdale", 2, false},
     {"Sea Zone 6", 0, false},
     {"Istvale", 2, false},
     {"Marrowfen", 8, false}},
    {{"Sea Zone 7", 0, false},
     {"Sea Zone 8", 0, false},
     {"Lornwood", 6, false},
     {"V\u00e9lmoor", 3, true},
     {"Jorvik Reach", 2, false},
     {"Sea Zone 9", 0, false}},
};

// A deterministic pseudo-random value in [-1, 1] for a pair of integers.
double Noise(int a, int b, int salt) {
    std::uint32_t h = static_cast<std::uint32_t>(a) * 73856093u ^
                      static_cast<std::uint32_t>(b) * 19349663u ^
                      static_cast<std::uint32_t>(salt) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h % 20001u) / 10000.0 - 1.0;
}

// Corner (i, j) of the cell grid, jittered inside the map; corners on the map's edge stay on it.
QPointF Corner(int i, int j) {
    double x = i * kCellWidth;
    double y = j * kCellHeight;
    if (i > 0 && i < 6) x += 40 * Noise(i, j, 1);
    if (j > 0 && j < 4) y += 40 * Noise(i, j, 2);
    return {x, y};
}

bool OnMapEdge(QPoint a, QPoint b) {
    return (a.x() == b.x() && (a.x() == 0 || a.x() == 6)) ||
           (a.y() == b.y() && (a.y() == 0 || a.y() == 4));
}

// Midpoint displacement: each level moves the middle of a piece sideways by a share of its
// length, so borders wander like coasts and rivers while staying near the straight line.
void Displace(QPointF from, QPointF to, int depth, int seed, std::vector<QPointF>& points) {
    if (depth == 0) {
        points.push_back(from);
        return;
    }
    const QPointF along = to - from;
    const QPointF across(-along.y(), along.x());
    const QPointF middle = (from + to) / 2 + across * (0.22 * Noise(seed, depth, 5));
    Displace(from, middle, depth - 1, seed * 2 + 1, points);
    Displace(middle, to, depth - 1, seed * 2 + 2, points);
}

// The points of the edge from corner a to corner b, b excluded. Both cells that share an
// edge get the same line: it is always computed from its lower corner.
std::vector<QPointF> EdgePoints(QPoint a, QPoint b) {
    const bool reversed = std::make_pair(a.x(), a.y()) > std::make_pair(b.x(), b.y());
    const QPoint from = reversed ? b : a;
    const QPoint to = reversed ? a : b;
    const QPointF start = Corner(from.x(), from.y());
    const QPointF end = Corner(to.x(), to.y());
    std::vector<QPointF> points;
    if (OnMapEdge(from, to)) {
        for (int s = 0; s < 4; ++s) points.push_back(start + (end - start) * (s / 4.0));
    } else {
        Displace(start, end, kEdgeDepth, from.x() * 97 + from.y() * 13 + to.x() * 7 + to.y(),
                 points);
    }
    if (!reversed) return points;
    std::vector<QPointF> backwards{end};
    for (std::size_t s = points.size() - 1; s > 0; --s) backwards.push_back(points[s]);
    return backwards;
}

QPolygonF CellOutline(int column, int row) {
    const QPoint corners[4] = {
        {column, row}, {column + 1, row}, {column + 1, row + 1}, {column, row + 1}};
    QPolygonF outline;
    for (int k = 0; k < 4; ++k) {
        for (const QPointF& p : EdgePoints(corners[k], corners[(k + 1) % 4])) {
            outline << QPointF(std::round(p.x()), std::round(p.y()));
        }
    }
    return outline;
}

}  // namespace

const std::vector<Player>& Players() {
    static const std::vector<Player> players = {
        {"Varden", qRgb(0x3A, 0x6E, 0xA5)},
        {"Osterra", qRgb(0xB0, 0x3A, 0x2E)},
        {"Kelm", qRgb(0xD9, 0xA5, 0x31)},
    };
    return players;
}

QRgb NeutralColour() { return qRgb(0x9A, 0x94, 0x7C); }

const std::map<QString, QString>& Capitals() {
    static const std::map<QString, QString> capitals = {
        {"Varden", "Aldmark"}, {"Osterra", "Marrowfen"}, {"Kelm", "Lornwood"}};
    return capitals;
}

const std::vector<QString>& UnitTypes() {
    static const std::vector<QString> types = {"infantry", "armour", "fighter", "transport",
                                               "battleship"};
    return types;
}

std::vector<Region> MakeRegions() {
    std::vector<Region> regions;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 6; ++column) {
            const CellDefinition& cell = kCells[row][column];
            Region region;
            region.name = QString::fromUtf8(cell.name);
            region.sea = region.name.contains("Sea Zone");
            region.column = column;
            region.row = row;
            region.outline = CellOutline(column, row);
            const QPointF a = Corner(column, row), b = Corner(column + 1, row + 1);
            const QPointF c = Corner(column + 1, row), d = Corner(column, row + 1);
            region.centre = QPointF(std::round((a.x() + b.x() + c.x() + d.x()) / 4),
                                    std::round((a.y() + b.y() + c.y() + d.y()) / 4));
            region.production = cell.production;
            region.mountains = cell.mountains;
            regions.push_back(region);
        }
    }
    return regions;
}

std::vector<QPointF> Placements(const Region& region) {
    std::vector<QPointF> points;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            points.emplace_back(region.centre.x() - 76 + 52 * c, region.centre.y() - 18 + 52 * r);
        }
    }
    return points;
}

QPointF CapitalPoint(const Region& region) {
    return {region.centre.x() - 36, region.centre.y() - 74};
}

}  // namespace demo
