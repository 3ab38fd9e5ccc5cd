#include "saver/saverhooks.h"

#include <QApplication>

#include "app/artwork.h"

bool RegisterDialogClasses(QApplication& application) {
    application.setOrganizationName(QStringLiteral("Ostrevan"));
    application.setApplicationName(QStringLiteral("Quelm"));
    application.setWindowIcon(QuelmIcon());
    return true;
}
