#pragma once

#include <cstdint>
#include <optional>

#include <QSize>

// What the saver needs to know of an X window made by another program (xscreensaver's
// window for a screen saver or for its preview), asked of the X server over the
// application's own connection.

// True when the application runs on an X display.
bool HasXConnection();

// The window's current size, or nothing when the window does not exist (any more).
std::optional<QSize> ForeignWindowSize(std::uint32_t windowId);
