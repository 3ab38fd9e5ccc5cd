#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>

struct xcb_connection_t;

// A virtual X display of the test's own (Xvfb on a free display number) and a connection
// to it, through which the test makes windows, takes pictures and plays the user.
class TestDisplay {
public:
    ~TestDisplay();

    // Starts Xvfb with one screen of the given size; false (with the reason in error) when
    // Xvfb is missing or does not start.
    bool Start(int width, int height, QString& error);
    // ":N", for the DISPLAY of the programs under test.
    QString Name() const { return name; }

    // A window of the test's own, mapped at rect, black.
    std::uint32_t CreateWindow(const QRect& rect);
    void ResizeWindow(std::uint32_t window, int width, int height);
    void DestroyWindow(std::uint32_t window);
    // The rectangles (relative to window) of the children of window that are mapped.
    std::vector<QRect> MappedChildren(std::uint32_t window);
    // The window of another program shown at the top level with the given size, or nothing.
    std::optional<std::uint32_t> FindTopLevel(const QSize& size);
    // What window shows (the whole screen for 0): its own and its children's pixels.
    QImage Grab(std::uint32_t window = 0);
    // Presses and releases the space bar in window, as the user would.
    void PressKey(std::uint32_t window);

private:
    std::uint32_t Root() const;

    QProcess server;
    QString name;
    xcb_connection_t* connection = nullptr;
    int screenWidth = 0;
    int screenHeight = 0;
};

// How much of the picture is its most common colour (0 to 1), and how many colours it has.
double CommonestColourShare(const QImage& image, int* colours = nullptr);

// The leftward shift (1 to maxShift pixels) under which later matches earlier best, within
// the rows from top to bottom; the share of matching pixels goes to match.
int BestLeftShift(const QImage& earlier, const QImage& later, int top, int bottom, int maxShift,
                  double* match);
