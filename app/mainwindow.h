#pragma once

#include <QImage>
#include <QWidget>

#include "render/renderwindow.h"

class QMenu;

// Command numbers of the popup menu.
enum MenuCommand {
    kZoomIn = 40001,
    kZoomOut = 40002,
    kNextTurn = 40003,
    kPreviousTurn = 40004,
    kExport = 40005,
    kConfigure = 40006,
    kHelp = 40007,
    kShowChanges = 40008,
};

// "Show Changes" as the store keeps it, off when never set.
bool ReadShowChanges();
void WriteShowChanges(bool on);

// The viewer's window: shows the renderer's picture of the current frame; the user drags
// to re-centre, zooms with the keypad's plus and minus or the wheel, steps through the
// turns with the arrow keys or Ctrl and the wheel, and finds every command in the popup
// menu of a right click.
class MainWindow : public QWidget, public RenderWindow {
    Q_OBJECT
public:
    MainWindow();

    void RequestRepaint() override;

    void HandleMenuCommand(int command);
    void StepZoom(int direction);
    void StepTurn(int direction);
    void CentreOnPoint(int x, int y);
    void ResizeView();
    void ExportFrame();
    // Turns the marks on what changed since the previous step on or off, and keeps that.
    void ToggleShowChanges();
    // Builds menu 107; the caller owns it.
    QMenu* CreatePopupMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OpenPopupMenu(const QPoint& globalPosition);

    QImage view;
    int wheelRemainder = 0;
};
