#include "platform/guistarter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGlobal>

namespace {

int usageCount = 0;
QGuiApplication* ownedApplication = nullptr;

// QGuiApplication keeps references to its arguments for its whole life.
int applicationArgc = 1;
char applicationName[] = "quelm";
char* applicationArgv[] = {applicationName, nullptr};

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

GuiStarter::GuiStarter(bool start) : started(start) {
    if (!started) return;
    if (++usageCount > 1 || QCoreApplication::instance()) return;
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    ownedApplication = new QGuiApplication(applicationArgc, applicationArgv);
}

GuiStarter::~GuiStarter() {
    if (!started) return;
    if (--usageCount > 0) return;
    delete ownedApplication;
    ownedApplication = nullptr;
}
