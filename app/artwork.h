#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

// Quelm's own artwork, drawn in code: the logo of the configuration dialog and the
// window icon.
QImage DrawLogo(const QSize& size);
QIcon QuelmIcon();
