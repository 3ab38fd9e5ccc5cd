#include "saver/saveroptions.h"

namespace {

// An X window identifier: a whole number other than 0 that fits 32 bits.
bool ParseWindowId(const QString& text, std::uint32_t& id) {
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 0);
    if (!ok || value == 0) return false;
    id = value;
    return true;
}

// The option's name without its one or two leading dashes, or "" for a plain argument.
QString OptionName(const QString& argument) {
    if (argument.startsWith(QLatin1String("--"))) return argument.mid(2);
    if (argument.startsWith(u'-') && argument.size() > 1) return argument.mid(1);
    return {};
}

}  // namespace

bool ParseSaverCommandLine(const QStringList& arguments, const QString& xscreensaverWindow,
                           SaverOptions& options, QString& error) {
    bool window = false;
    bool root = false;
    bool configure = false;
    bool help = false;
    QString windowId;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString name = OptionName(argument);
        if (name == QLatin1String("window")) {
            window = true;
        } else if (name == QLatin1String("root") || name == QLatin1String("s")) {
            root = true;
        } else if (name == QLatin1String("c")) {
            configure = true;
        } else if (name == QLatin1String("h") || name == QLatin1String("help")) {
            help = true;
        } else if (name == QLatin1String("window-id")) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs the id of a window").arg(argument);
                return false;
            }
            windowId = arguments[++i];
        } else if (name.startsWith(QLatin1String("window-id="))) {
            windowId = name.mid(10);
        } else {
            error = name.isEmpty() ? QStringLiteral("unexpected argument \"%1\"").arg(argument)
                                   : QStringLiteral("unknown option \"%1\"").arg(argument);
            return false;
        }
    }

    options = SaverOptions();
    if (help) {
        options.mode = SaverMode::Help;
        return true;
    }
    if (int{window} + int{root} + int{configure} > 1) {
        error = QStringLiteral("choose only one of -window, -root (or -s) and -c");
        return false;
    }
    if (!windowId.isNull()) {
        if (window || configure) {
            error = QStringLiteral("-window-id goes with -root only");
            return false;
        }
        if (!ParseWindowId(windowId, options.windowId)) {
            error = QStringLiteral("\"%1\" is not the id of a window").arg(windowId);
            return false;
        }
        options.mode = SaverMode::Embedded;
        return true;
    }
    if (configure) {
        options.mode = SaverMode::Configure;
    } else if (window) {
        options.mode = SaverMode::Window;
    } else if (!xscreensaverWindow.isEmpty()) {
        if (!ParseWindowId(xscreensaverWindow, options.windowId)) {
            error = QStringLiteral("XSCREENSAVER_WINDOW=\"%1\" is not the id of a window")
                        .arg(xscreensaverWindow);
            return false;
        }
        options.mode = SaverMode::Embedded;
    } else {
        options.mode = root ? SaverMode::FullScreen : SaverMode::Window;
    }
    return true;
}

QString SaverUsage() {
    return QStringLiteral(
        "Usage: quelm [-window | -root | -s | -window-id ID | -c | -help]\n"
        "Scrolls the map of your TripleA game to the left and replays its latest turns.\n"
        "\n"
        "  -window         show the saver in an ordinary window (the default when\n"
        "                  XSCREENSAVER_WINDOW is not set)\n"
        "  -root, -s       fill the primary screen; any key, click or mouse movement ends it.\n"
        "                  When XSCREENSAVER_WINDOW is set, draw into that window instead,\n"
        "                  as xscreensaver expects\n"
        "  -window-id ID   draw into the X window ID (decimal or 0x hexadecimal)\n"
        "  -c              open the configuration dialog\n"
        "  -help           show this text\n"
        "\n"
        "Options may also be written with two dashes (--root).\n");
}
