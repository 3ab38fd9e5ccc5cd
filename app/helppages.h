#pragma once

#include <QUrl>

// The help page, quelm.html, installed with the programs: beside the program while it runs
// from its build folder, else in the installation's share/quelm folder.
QUrl HelpPageUrl();
class UserMessages;

// Opens a web page in the program the desktop chooses; false when none could.
using UrlOpener = bool (*)(const QUrl&);

// Opens the help page in the user's browser; when nothing can show it, says in a message
// where the page's file lies, so that the user can open it by hand.
void OpenHelpPage(UserMessages& messages, UrlOpener open = nullptr);
// Opens the page about Quelm (the logo's link).
void OpenHomePage();
