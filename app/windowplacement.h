#pragma once

#include <QRect>
#include <QString>

#include <optional>

class QWidget;

// The viewer's window opens where and as large as it was when last closed: its geometry is
// kept in the user's settings store as "x,y,width,height", with ",maximized" when it was.
struct WindowPlacement {
    QRect geometry;
    bool maximized = false;
};

QString PlacementText(const WindowPlacement& placement);
// The placement a stored text describes; nothing when the text is malformed or the window
// would be smaller than the smallest sensible one.
std::optional<WindowPlacement> ParsePlacement(const QString& text);

// Gives window the stored placement when it is still on one of the screens.
void RestoreWindowPlacement(QWidget& window);
// Stores window's placement; quiet when the store cannot be written.
void SaveWindowPlacement(const QWidget& window);
