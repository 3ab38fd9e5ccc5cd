#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRgb>
#include <QString>

#include <map>
#include <vector>

// The demo world: a small continent of invented lands and sea zones on a 6 x 4 grid of
// cells with shared, wavy borders, three players, and a short scripted war.
namespace demo {

constexpr int kMapWidth = 1450;
constexpr int kMapHeight = 970;
constexpr int kTileSize = 256;
constexpr int kColumns = 6;  // tiles across: 6 x 256 covers the map width
constexpr int kRows = 4;

struct Player {
    QString name;
    QRgb colour;
};

struct Region {
    QString name;
    bool sea = false;
    int column = 0;
    int row = 0;
    QPolygonF outline;  // closed polygon in map pixels
    QPointF centre;
    int production = 0;
    bool mountains = false;  // drawn with relief
};

struct Stack {
    QString type;
    QString owner;
    int quantity = 0;
};

// The board at one step: owner and unit stacks per region name.
struct Board {
    std::map<QString, QString> owners;
    std::map<QString, std::vector<Stack>> units;
};

struct Step {
    QString caption;
    QString player;
    Board board;
};

const std::vector<Player>& Players();
// The colour of territories that nobody owns.
QRgb NeutralColour();
std::vector<Region> MakeRegions();
// Points where units stand: two rows of three around the centre.
std::vector<QPointF> Placements(const Region& region);
// Top left corner of the capital flag.
QPointF CapitalPoint(const Region& region);
// The capital region of each player.
const std::map<QString, QString>& Capitals();
// The unit types a player's images exist for.
const std::vector<QString>& UnitTypes();
// The start position and every step of the war, start included.
std::vector<Step> MakeHistory();

}  // namespace demo
