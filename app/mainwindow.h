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
};

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
