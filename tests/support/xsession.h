#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// An X server of the test's own (Xvfb) on a free display, with the tools that look at it
// and type into it as a person would. Programs started through it draw on that display.
class XSession {
public:
    // Why end-to-end tests cannot run here (no Xvfb or xdotool), or "".
    static QString MissingTools();

    XSession();
    ~XSession();
    bool Started() const { return !display.isEmpty(); }
    const QString& Display() const { return display; }

    // Starts program with extra environment variables ("NAME=value").
    QProcess* Start(const QString& program, const QStringList& arguments,
                    const QStringList& environment);
    // Waits up to timeoutMs for a window whose name contains name; its id or "".
    QString WaitForWindow(const QString& name, int timeoutMs);
    // Sends one key (xdotool key names, such as Right or KP_Add) to a window.
    bool SendKey(const QString& window, const QString& key);
    // A picture of the whole screen, or a null image.
    QImage Screenshot();

private:
    bool RunTool(const QString& program, const QStringList& arguments, QString* output = nullptr,
                 int timeoutMs = 10000);

    QProcess server;
    QString display;
    QTemporaryDir scratch;
    std::vector<std::unique_ptr<QProcess>> programs;
};
