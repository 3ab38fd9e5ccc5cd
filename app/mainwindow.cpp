#include "app/mainwindow.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QWheelEvent>

#include <algorithm>
#include <string>
#include <vector>

#include "app/artwork.h"
#include "app/configurationdialog.h"
#include "app/framenavigation.h"
#include "app/helppages.h"
#include "app/messageboxes.h"
#include "app/startup.h"
#include "app/windowplacement.h"
#include "base/outputpath.h"
#include "base/pathutil.h"
#include "base/stringutil.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

constexpr double kZoomStep = 0.05;
constexpr double kLargestZoom = 0.9;
constexpr double kSmallestZoom = 0.1;
constexpr int kExportWidth = 3500;
constexpr int kExportHeight = 2000;
constexpr int kWheelNotch = 120;

MapRenderer* Renderer() { return Application().renderer.Get(); }

const char* const kShowChangesName = "show_changes";

void AddShowChanges(QMenu& menu) {
    menu.addSeparator();
    QAction* item = menu.addAction(QStringLiteral("Show Changes"));
    item->setData(kShowChanges);
    item->setCheckable(true);
    item->setChecked(Application().changeMarks);
}

Ref<GameLoader> Loader() {
    Ref<GameLoader> loader;
    if (MapRenderer* renderer = Renderer()) renderer->GetGameLoader(loader.Receive());
    return loader;
}

std::vector<std::string> FrameCaptions(GameLoader& loader) {
    std::vector<std::string> captions(static_cast<std::size_t>(loader.GetFrameCount(nullptr)));
    for (std::size_t frame = 0; frame < captions.size(); ++frame) {
        loader.GetFrameCaption(static_cast<std::int32_t>(frame), captions[frame]);
    }
    return captions;
}

// The user's Pictures folder where there is one, else the home folder.
QString PicturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

}  // namespace

bool ReadShowChanges() {
    std::string text;
    return ReadSettingValue(SettingsScope::User, kShowChangesName, text) &&
           ReadLeadingInteger(text) == 1;
}

void WriteShowChanges(bool on) { WriteSettingValue(kShowChangesName, on ? "1" : "0"); }

MainWindow::MainWindow() {
    setObjectName(QStringLiteral("Quelm"));
    setWindowTitle(QStringLiteral("Quelm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(100, 100, 500, 500);
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { OpenPopupMenu(mapToGlobal(rect().center())); });
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, this, [this] { HandleMenuCommand(kHelp); });
    statusLine = new QLabel(this);
    statusLine->setObjectName(QStringLiteral("statusLine"));
    statusLine->setAutoFillBackground(true);
    statusLine->setContentsMargins(6, 2, 6, 2);
    setWindowTitle(QStringLiteral("Quelm Renderer - (Right Click Map for Options)"));
    setWindowIcon(QuelmIcon());
}

void MainWindow::RequestRepaint() { update(); }

QMenu* MainWindow::CreatePopupMenu() {
    auto* menu = new QMenu(QStringLiteral("Popup"), this);
    menu->setObjectName(QStringLiteral("107"));
    auto add = [menu](const QString& text, int command) {
        menu->addAction(text)->setData(command);
    };
    add(QStringLiteral("Zoom In (+)"), kZoomIn);
    add(QStringLiteral("Zoom Out (-)"), kZoomOut);
    menu->addSeparator();
    add(QStringLiteral("Next Turn (->)"), kNextTurn);
    add(QStringLiteral("Previous Turn (<-)"), kPreviousTurn);
    menu->addSeparator();
    add(QStringLiteral("&Export..."), kExport);
    menu->addSeparator();
    add(QStringLiteral("Help (F1)"), kHelp);
    menu->addSeparator();
    add(QStringLiteral("&Configure..."), kConfigure);
    AddShowChanges(*menu);
    return menu;
}

void MainWindow::OpenPopupMenu(const QPoint& globalPosition) {
    QMenu* menu = CreatePopupMenu();
    const QAction* chosen = menu->exec(globalPosition);
    const int command = chosen ? chosen->data().toInt() : 0;
    delete menu;
    HandleMenuCommand(command);
}

void MainWindow::HandleMenuCommand(int command) {
    switch (command) {
        case kZoomIn:
            StepZoom(+1);
            break;
        case kZoomOut:
            StepZoom(-1);
            break;
        case kNextTurn:
            StepTurn(+1);
            break;
        case kPreviousTurn:
            StepTurn(-1);
            break;
        case kExport:
            ExportFrame();
            break;
        case kHelp:
            ShowHelp();
            break;
        case kShowChanges:
            ToggleShowChanges();
            break;
        case kConfigure: {
            ApplicationState& app = Application();
            MessageBoxes messages(this);
            if (ScreenSaverConfigureDialog(this, app.versions, messages) == 1) {
                ApplySettingsToRenderer(this);
            }
            break;
        }
        default:
            break;
    }
}

void MainWindow::ShowHelp() {
    MessageBoxes messages(this);
    OpenHelpPage(messages);
}

void MainWindow::StepZoom(int direction) {
    MapRenderer* renderer = Renderer();
    if (!renderer) return;
    double zoom = renderer->GetZoom() + (direction > 0 ? kZoomStep : -kZoomStep);
    if (zoom > kLargestZoom) {
        zoom = kLargestZoom;
    } else if (zoom < kSmallestZoom) {
        zoom = kSmallestZoom;
    }
    renderer->SetZoom(zoom);
}

void MainWindow::StepTurn(int direction) {
    MapRenderer* renderer = Renderer();
    if (!renderer) return;
    if (direction > 0) {
        renderer->NextFrame(false);
    } else {
        renderer->PrevFrame(false);
    }
}

void MainWindow::GoToFirstStep() {
    if (MapRenderer* renderer = Renderer()) renderer->GoToFrame(0);
}

void MainWindow::GoToLastStep() {
    MapRenderer* renderer = Renderer();
    const Ref<GameLoader> loader = Loader();
    if (renderer && loader) renderer->GoToFrame(loader->GetFrameCount(nullptr) - 1);
}

void MainWindow::StepRound(int direction) {
    MapRenderer* renderer = Renderer();
    const Ref<GameLoader> loader = Loader();
    if (!renderer || !loader) return;
    renderer->GoToFrame(
        FrameOneRoundAway(FrameCaptions(*loader), renderer->GetCurrentFrame(), direction));
}

QString MainWindow::StatusText() const {
    MapRenderer* renderer = Renderer();
    const Ref<GameLoader> loader = Loader();
    if (!renderer || !loader) return {};
    const std::int32_t frame = renderer->GetCurrentFrame();
    std::string caption, player;
    loader->GetFrameCaption(frame, caption);
    loader->GetFramePlayer(frame, player);
    return StepStatusText(caption, player, frame, loader->GetFrameCount(nullptr));
}

void MainWindow::UpdateStatusLine() {
    const QString text = StatusText();
    if (statusLine->text() != text) statusLine->setText(text);
}

QSize MainWindow::MapAreaSize() const {
    return {width(), std::max(1, height() - statusLine->sizeHint().height())};
}

void MainWindow::CentreOnPoint(int x, int y) {
    MapRenderer* renderer = Renderer();
    if (!renderer) return;
    const ApplicationState& app = Application();
    int nx = renderer->GetOffsetX() + app.viewWidth / 2 - x;
    int ny = renderer->GetOffsetY() + app.viewHeight / 2 - y;
    const int scaledHeight = renderer->GetScaledMapHeight();
    if (nx > -1) nx = -1;
    if (ny > 0) ny = 0;
    if (ny < app.viewHeight - scaledHeight) ny = app.viewHeight - scaledHeight;
    renderer->SetOffsetX(nx);
    renderer->SetOffsetY(ny);
}

void MainWindow::ResizeView() {
    const QSize area = MapAreaSize();
    statusLine->setGeometry(0, area.height(), width(), height() - area.height());
    SetViewSize(area);
}

QString MainWindow::SuggestedExportPath() const {
    MapRenderer* renderer = Renderer();
    const int frame = renderer ? renderer->GetCurrentFrame() : 0;
    return QDir(PicturesFolder())
        .filePath(SuggestedExportName(ProcessSettings().game_config, std::max(frame, 0)));
}

void MainWindow::ExportFrame() {
    MapRenderer* renderer = Renderer();
    if (!renderer) return;
    const QString path = QFileDialog::getSaveFileName(this, QString(), SuggestedExportPath(),
                                                      QStringLiteral("*.jpg"));
    if (path.isEmpty()) return;
    const std::string bytes = PathFromQtName(path);
    if (!renderer->ExportJpeg(kExportWidth, kExportHeight, bytes)) {
        QMessageBox::warning(this, QStringLiteral("Export"),
                             QStringLiteral("The picture could not be saved as %1.")
                                 .arg(DisplayPath(PathText(bytes))));
    }
}

void MainWindow::ToggleShowChanges() {
    ApplicationState& app = Application();
    app.changeMarks = !app.changeMarks;
    WriteShowChanges(app.changeMarks);
    if (app.renderer) app.renderer->SetChangeMarks(app.changeMarks);
}

void MainWindow::paintEvent(QPaintEvent*) {
    MapRenderer* renderer = Renderer();
    if (!renderer) return;
    renderer->Paint(this, &view);
    QPainter painter(this);
    painter.drawImage(0, 0, view);
    UpdateStatusLine();
}

void MainWindow::resizeEvent(QResizeEvent*) { ResizeView(); }

void MainWindow::contextMenuEvent(QContextMenuEvent* event) { OpenPopupMenu(event->globalPos()); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Plus) plusPressed = true;
    QWidget::keyPressEvent(event);
}

bool MainWindow::HandleStepKey(int key) {
    switch (key) {
        case Qt::Key_Home:
            GoToFirstStep();
            return true;
        case Qt::Key_End:
            GoToLastStep();
            return true;
        case Qt::Key_PageUp:
            StepRound(-1);
            return true;
        case Qt::Key_PageDown:
            StepRound(+1);
            return true;
        default:
            return false;
    }
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    const bool plusReleased =
        event->key() == Qt::Key_Plus || (event->key() == Qt::Key_Equal && plusPressed);
    if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) plusPressed = false;
    if (plusReleased) {
        StepZoom(+1);
        return;
    }
    if (HandleStepKey(event->key())) return;
    switch (event->key()) {
        case Qt::Key_Left:
            StepTurn(-1);
            break;
        case Qt::Key_Right:
            StepTurn(+1);
            break;
        case Qt::Key_Minus:
            StepZoom(-1);
            break;
        default:
            QWidget::keyReleaseEvent(event);
            break;
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        CentreOnPoint(event->position().toPoint().x(), event->position().toPoint().y());
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        CentreOnPoint(event->position().toPoint().x(), event->position().toPoint().y());
        setCursor(Qt::CrossCursor);
    } else {
        setCursor(Qt::ArrowCursor);
    }
}

void MainWindow::mouseReleaseEvent(QMouseEvent*) { setCursor(Qt::ArrowCursor); }

void MainWindow::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return;  // a sideways scroll
    // A notch of a classic wheel (120) or more is one step; the finer steps of smooth
    // wheels and touchpads add up to one.
    int step = delta;
    if (std::abs(delta) < kWheelNotch) {
        wheelRemainder += delta;
        if (std::abs(wheelRemainder) < kWheelNotch) return;
        step = wheelRemainder;
    }
    wheelRemainder = 0;
    if (event->modifiers() & Qt::ControlModifier) {
        StepTurn(step);
    } else {
        StepZoom(step);
    }
}
