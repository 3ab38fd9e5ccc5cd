#include "app/helppages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "platform/usermessages.h"

QUrl HelpPageUrl() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        programFolder + "/quelm.html",
        programFolder + "/../share/quelm/quelm.html",
        QStringLiteral(QUELM_INSTALLED_HELP_PAGE),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath());
        }
    }
    return QUrl::fromLocalFile(candidates.back());
}

void OpenHelpPage(UserMessages& messages, UrlOpener open) {
    const QUrl page = HelpPageUrl();
    if ((open ? open : &QDesktopServices::openUrl)(page)) return;
    messages.ShowMessage("No program could show the help page. Open this file in a web browser:\n" +
                             page.toLocalFile().toStdString(),
                         "Help");
}

void OpenHomePage() {
    QUrl about = HelpPageUrl();
    about.setFragment(QStringLiteral("about"));
    QDesktopServices::openUrl(about);
}
