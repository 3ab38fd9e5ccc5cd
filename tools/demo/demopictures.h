#pragma once

#include <QImage>
#include <QString>

#include <vector>

#include "demoworld.h"

namespace demo {

// The whole background, land and sea, at tile-grid size (6 x 4 tiles).
QImage DrawBaseMap(const std::vector<Region>& regions);
// The background with mountains drawn on the regions that have them.
QImage DrawReliefMap(const QImage& base, const std::vector<Region>& regions);
// Whether the relief differs from the base in tile (x, y).
bool TileHasRelief(const QImage& base, const QImage& relief, int x, int y);
QImage DrawFlag(const QString& player, int width, int height, bool smooth);
QImage DrawUnit(const QString& type, QRgb colour);

}  // namespace demo
