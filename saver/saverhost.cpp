#include "saver/saverhost.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>

#include "app/configurationdialog.h"
#include "app/messageboxes.h"
#include "app/startup.h"
#include "saver/foreignwindow.h"
#include "saver/inputwatch.h"
#include "saver/saverhooks.h"
#include "saver/saveroptions.h"
#include "saver/saverwindow.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
// How often the size of a window made by another program is asked for.
constexpr int kFollowMilliseconds = 250;

void PrintError(const QString& text) {
    std::fprintf(stderr, "quelm: %s\n", text.toLocal8Bit().constData());
}

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// What every saver window gets: the end of the program when it closes, and the step
// counter when QUELM_SAVER_STEP_RATE asks for it.
void Prepare(SaverWindow& window) {
    QObject::connect(&window, &SaverWindow::closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!qEnvironmentVariableIsEmpty("QUELM_SAVER_STEP_RATE")) window.MeasureStepRate();
}

int RunInWindow() {
    SaverWindow window;
    Prepare(window);
    window.resize(kWindowWidth, kWindowHeight);
    window.show();
    return QApplication::exec();
}

int RunFullScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        PrintError(QStringLiteral("there is no screen to fill"));
        return kExitFailure;
    }
    SaverWindow window;
    Prepare(window);
    window.setGeometry(screen->geometry());
    window.setCursor(Qt::BlankCursor);
    new InputWatch(&window);
    window.showFullScreen();
    window.activateWindow();
    return QApplication::exec();
}

// Draws into a child of the given window, always as large as that window, and ends when the
// window goes away. xscreensaver itself watches the user's input and ends the saver.
int RunEmbedded(std::uint32_t windowId) {
    if (!HasXConnection()) {
        PrintError(QStringLiteral("drawing into another program's window needs an X display"));
        return kExitFailure;
    }
    const std::optional<QSize> size = ForeignWindowSize(windowId);
    if (!size) {
        PrintError(QStringLiteral("there is no X window 0x%1 to draw into").arg(windowId, 0, 16));
        return kExitFailure;
    }
    // The outside window must outlive the saver window, whose native window is its child.
    std::unique_ptr<QWindow> outside(QWindow::fromWinId(windowId));
    SaverWindow window;
    Prepare(window);
    window.winId();
    window.windowHandle()->setParent(outside.get());
    window.setGeometry(QRect(QPoint(0, 0), *size));
    window.show();

    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout, &window, [&window, windowId] {
        const std::optional<QSize> now = ForeignWindowSize(windowId);
        if (!now) {
            window.close();
        } else if (*now != window.size()) {
            window.resize(*now);
        }
    });
    follow.start(kFollowMilliseconds);
    const int result = QApplication::exec();
    follow.stop();
    return result;
}

int RunConfiguration() {
    MessageBoxes messages;
    ScreenSaverConfigureDialog(nullptr, Application().versions, messages);
    return 0;
}

}  // namespace

int RunSaverHost(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    SaverOptions options;
    QString error;
    if (!ParseSaverCommandLine(arguments, qEnvironmentVariable("XSCREENSAVER_WINDOW"), options,
                               error)) {
        PrintError(error);
        std::fputs(SaverUsage().toLocal8Bit().constData(), stderr);
        return kExitUsage;
    }
    if (options.mode == SaverMode::Help) {
        std::fputs(SaverUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!HasDisplay()) {
        PrintError(QStringLiteral("there is no display to show the saver on (DISPLAY is not set)"));
        return kExitFailure;
    }

    QApplication application(argc, argv);
    RegisterDialogClasses(application);
    switch (options.mode) {
        case SaverMode::Configure:
            return RunConfiguration();
        case SaverMode::FullScreen:
            return RunFullScreen();
        case SaverMode::Embedded:
            return RunEmbedded(options.windowId);
        default:
            return RunInWindow();
    }
}
