#pragma once

// The window a renderer paints for. The renderer asks it for a repaint (the whole window,
// without erasing the background) when what it shows has changed.
class RenderWindow {
public:
    virtual void RequestRepaint() = 0;
    virtual ~RenderWindow() = default;
};
