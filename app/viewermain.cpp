#include <QApplication>

#include "app/artwork.h"
#include "app/loadingdialog.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/windowplacement.h"

// The viewer: creates the window, starts the renderer with the loading dialog before the
// window is first shown, and runs until the window is closed.
int RunViewer(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ostrevan"));
    QApplication::setApplicationName(QStringLiteral("Quelm"));
    QApplication::setWindowIcon(QuelmIcon());
    MainWindow window;
    RestoreWindowPlacement(window);
    LoadingDialog loading;
    Application().changeMarks = ReadShowChanges();
    InitialiseRenderer(&window, &loading);
    window.show();
    const int result = application.exec();
    ReleaseRenderer();
    return result;
}

int main(int argc, char** argv) { return RunViewer(argc, argv); }
