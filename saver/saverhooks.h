#pragma once

class QApplication;

// The three hooks a screen-saver host calls:
// - ScreenSaverProc: the saver window's own event handling (SaverWindow, saverwindow.h);
// - ScreenSaverConfigureDialog: the configuration dialog shared with the viewer
//   (app/configurationdialog.h);
// - RegisterDialogClasses, below.

// Prepares the application for the saver's windows and the configuration dialog: its
// organisation and application names and its icon. Returns true.
bool RegisterDialogClasses(QApplication& application);
