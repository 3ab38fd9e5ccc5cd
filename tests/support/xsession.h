#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct xcb_connection_t;

// An X window id; 0 is none (and, where a window is asked for, the whole screen).
using XWindow = std::uint32_t;

// A program under test, started without a shell. It is ended when the object goes (asked
// politely, then forced), and the system kills it should the test program die first.
class TestProgram {
public:
    TestProgram(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment);
    ~TestProgram();
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    bool Started() const { return started; }
    // Waits for the end; false when it is still running after timeoutMs.
    bool Finished(int timeoutMs);
    // The exit code, or -1 while it runs or after a crash.
    int ExitCode() const;
    // What it wrote so far to its standard output and its standard error.
    QString Output() const;
    QString ErrorOutput() const;

private:
    QString ReadOutput(const QString& name) const;

    QTemporaryDir outputs;
    QProcess process;
    bool started = false;
};

// An X server of the test's own (Xvfb on a display number it picks itself) and a connection
// to it, through which the test starts programs on it, finds, makes and looks at windows,
// and types and clicks into them as a person would (through the XTEST extension, so that
// the programs see real input). The destructor ends the programs and the server; if the test
// program dies instead, the system ends the server with it, and the programs lose their
// display.
class XSession {
public:
    // Why no session can start here (Xvfb is not installed), or "".
    static QString MissingServer();

    explicit XSession(const QSize& screen = QSize(1280, 900));
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Whether the server runs and the connection stands; Error() says why not.
    bool Started() const { return connection != nullptr; }
    const QString& Error() const { return error; }
    // ":N", for the DISPLAY of the programs under test.
    const QString& Display() const { return display; }

    // The test program's environment with DISPLAY naming this server and Qt drawing on it.
    QProcessEnvironment Environment() const;
    // Starts program on this display, ended with the session at the latest.
    TestProgram& Start(const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& environment);

    // The first shown window whose title contains name, waited for up to timeoutMs; 0 if none.
    XWindow WaitForWindow(const QString& name, int timeoutMs);
    // A shown top-level window of the given size, or nothing.
    std::optional<XWindow> FindTopLevel(const QSize& size);
    // Where window lies on the screen, or an empty rectangle when it is gone.
    QRect Geometry(XWindow window);
    // The rectangles (relative to window) of the children of window that are shown.
    std::vector<QRect> MappedChildren(XWindow window);

    // A window of the test's own, shown at rect, black.
    XWindow CreateWindow(const QRect& rect);
    void ResizeWindow(XWindow window, int width, int height);
    void DestroyWindow(XWindow window);

    // Presses and releases a key in window, which gets the keyboard focus first. Keys are
    // named as X names them ("Left", "space", "KP_Add", "Escape", "a"); false when the
    // name or the key is unknown.
    bool SendKey(XWindow window, const QString& key);
    // Moves the pointer to at (relative to window) and clicks the button (1 left, 3 right).
    bool Click(XWindow window, const QPoint& at, int button = 1);

    // What window shows (the whole screen for 0), or a null image.
    QImage Grab(XWindow window = 0);

private:
    struct ShownWindow {
        XWindow window;
        QRect rect;  // relative to the parent
    };

    XWindow Root() const;
    // The children of parent that are shown, in stacking order from the bottom.
    std::vector<ShownWindow> ShownChildren(XWindow parent);
    bool StartServer(const QSize& screen);
    bool FakeInput(std::uint8_t type, std::uint8_t detail, XWindow root, int x, int y);
    std::optional<std::uint8_t> KeycodeOf(std::uint32_t keysym, bool* shifted);
    // Waits until the server has handled every request sent so far.
    void Sync();

    QProcess server;
    QString display;
    QString error;
    xcb_connection_t* connection = nullptr;
    std::vector<std::unique_ptr<TestProgram>> programs;
};

// Asks check every 50 ms until it holds or timeoutMs have passed; whether it held. Meant for
// waiting on something a program does, with a limit far beyond the usual time.
bool WaitUntil(const std::function<bool()>& check, int timeoutMs);
