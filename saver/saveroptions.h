#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

// How the host runs the saver.
enum class SaverMode {
    Window,      // an ordinary window
    FullScreen,  // the whole primary screen, ended by the user's input
    Embedded,    // inside an X window made by another program (xscreensaver)
    Configure,   // the configuration dialog, without a renderer
    Help,        // the usage text
};

struct SaverOptions {
    SaverMode mode = SaverMode::Window;
    std::uint32_t windowId = 0;  // the X window of Embedded
};

// Reads the command line (without the program's name) and the value of the variable
// XSCREENSAVER_WINDOW ("" when unset). Options are written with one dash or two:
//   -window          an ordinary window (the default, unless XSCREENSAVER_WINDOW is set)
//   -root, -s        full screen; inside $XSCREENSAVER_WINDOW when that is set, which is how
//                    xscreensaver runs its screen savers
//   -window-id ID    inside the X window ID (decimal or 0x hexadecimal); may follow -root,
//                    as xscreensaver's settings do for their preview
//   -c               the configuration dialog
//   -h, -help        the usage text
// Returns false, with a sentence for the user in error, when the command line makes no sense.
bool ParseSaverCommandLine(const QStringList& arguments, const QString& xscreensaverWindow,
                           SaverOptions& options, QString& error);

// The usage text printed for -help and after a usage error.
QString SaverUsage();
