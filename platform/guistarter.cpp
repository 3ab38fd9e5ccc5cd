#include "platform/guistarter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QtGlobal>

namespace {

int usageCount = 0;
QGuiApplication* ownedApplication = nullptr;

// QGuiApplication keeps references to its arguments for its whole life.
int applicationArgc = 1;
char applicationName[64] = "quelm";
char* applicationArgv[] = {applicationName, nullptr};

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Many TripleA images carry a colour profile that libpng calls incorrect; the image still
// decodes. Reading images is quiet, so libpng's warnings about them are not shown (the
// QT_LOGGING_RULES variable can bring them back). They come as information, not warnings.
void QuietImageWarnings() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.info=false"));
}

void CreateApplication() {
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    ownedApplication = new QGuiApplication(applicationArgc, applicationArgv);
}

}  // namespace

GuiStarter::GuiStarter(bool start, const char* programName) : started(start) {
    if (!started) return;
    if (++usageCount > 1) return;
    if (!QCoreApplication::instance()) {
        if (programName) qstrncpy(applicationName, programName, sizeof applicationName);
        CreateApplication();
    }
    QuietImageWarnings();
}

GuiStarter::~GuiStarter() {
    if (!started) return;
    if (--usageCount > 0) return;
    delete ownedApplication;
    ownedApplication = nullptr;
}
