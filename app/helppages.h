#pragma once

#include <QUrl>

// The help page, quelm.html, installed with the programs: beside the program while it runs
// from its build folder, else in the installation's share/quelm folder.
QUrl HelpPageUrl();
// Opens the help page in the user's browser.
void OpenHelpPage();
// Opens the page about Quelm (the logo's link).
void OpenHomePage();
