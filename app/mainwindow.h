#pragma once

#include <QImage>
#include <QWidget>

#include "render/renderwindow.h"

class QLabel;
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
    // Home, End, Page Up and Page Down: the first and the last step, one round back and
    // forward.
    void GoToFirstStep();
    void GoToLastStep();
    void StepRound(int direction);
    // The status line under the map, as it reads now.
    QString StatusText() const;
    // Where "Export..." proposes to save the frame on show.
    QString SuggestedExportPath() const;
    // Builds menu 107; the caller owns it.
    QMenu* CreatePopupMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OpenPopupMenu(const QPoint& globalPosition);
    void ShowHelp();
    bool HandleStepKey(int key);
    void UpdateStatusLine();
    QSize MapAreaSize() const;

    QImage view;
    QLabel* statusLine = nullptr;
    int wheelRemainder = 0;
    // "+" was pressed (Shift and "="): its release zooms even when Shift went up first and
    // the release reports "=".
    bool plusPressed = false;
};
