#include "xsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstdlib>

#include <sys/prctl.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

// xcb hands out replies that the caller frees.
struct Freed {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using XReply = std::unique_ptr<T, Freed>;

// Makes a child process die with the thread that started it, even when that thread dies
// without running any destructor (a crash, a time limit of the test runner).
void DieWithTheTest(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
    });
}

void EndProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(10000)) process.kill();
    process.waitForFinished(10000);
}

// The X key symbols of the key names the tests use.
std::optional<std::uint32_t> KeysymNamed(const QString& name) {
    static const struct {
        const char* name;
        std::uint32_t keysym;
    } kNamed[] = {
        {"BackSpace", 0xFF08}, {"Tab", 0xFF09},         {"Return", 0xFF0D},    {"Escape", 0xFF1B},
        {"Home", 0xFF50},      {"Left", 0xFF51},        {"Up", 0xFF52},        {"Right", 0xFF53},
        {"Down", 0xFF54},      {"Page_Up", 0xFF55},     {"Page_Down", 0xFF56}, {"End", 0xFF57},
        {"KP_Add", 0xFFAB},    {"KP_Subtract", 0xFFAD}, {"Delete", 0xFFFF},    {"space", 0x20},
        {"plus", 0x2B},        {"minus", 0x2D},
    };
    for (const auto& named : kNamed) {
        if (name == QLatin1String(named.name)) return named.keysym;
    }
    // F1 to F12 follow one another.
    if (name.startsWith('F')) {
        bool number = false;
        const int n = name.mid(1).toInt(&number);
        if (number && n >= 1 && n <= 12) return 0xFFBE + static_cast<std::uint32_t>(n - 1);
    }
    // Letters and digits are their own (lower-case) Latin-1 codes.
    if (name.size() == 1 && name[0].isLetterOrNumber() && name[0].unicode() < 0x80) {
        return name[0].toLower().unicode();
    }
    return std::nullopt;
}

constexpr std::uint32_t kShiftLeft = 0xFFE1;

}  // namespace

TestProgram::TestProgram(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    // Files rather than pipes: a talkative program never waits for the test to read.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(outputs.filePath(QStringLiteral("out")));
    process.setStandardErrorFile(outputs.filePath(QStringLiteral("err")));
    DieWithTheTest(process);
    process.start(program, arguments);
    started = process.waitForStarted(30000);
}

TestProgram::~TestProgram() { EndProcess(process); }

QString TestProgram::ReadOutput(const QString& name) const {
    QFile file(outputs.filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

bool TestProgram::Finished(int timeoutMs) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
}

int TestProgram::ExitCode() const {
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}

QString TestProgram::Output() const { return ReadOutput(QStringLiteral("out")); }

QString TestProgram::ErrorOutput() const { return ReadOutput(QStringLiteral("err")); }

QString XSession::MissingServer() {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        return QStringLiteral("Xvfb is not installed");
    }
    return QString();
}

XSession::XSession(const QSize& screen) {
    if (!StartServer(screen)) return;
    xcb_connection_t* opened = xcb_connect(display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(opened)) {
        xcb_disconnect(opened);
        error = QStringLiteral("cannot connect to Xvfb on ") + display;
        return;
    }
    XReply<xcb_test_get_version_reply_t> xtest(
        xcb_test_get_version_reply(opened, xcb_test_get_version(opened, 2, 2), nullptr));
    if (!xtest) {
        xcb_disconnect(opened);
        error = QStringLiteral("Xvfb on ") + display + QStringLiteral(" has no XTEST extension");
        return;
    }
    connection = opened;
}

XSession::~XSession() {
    programs.clear();
    if (connection) xcb_disconnect(connection);
    EndProcess(server);
}

bool XSession::StartServer(const QSize& screen) {
    error = MissingServer();
    if (!error.isEmpty()) return false;
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    // Xvfb picks a free display number and writes it to the given descriptor: its output.
    DieWithTheTest(server);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(30000)) {
        error = QStringLiteral("Xvfb did not start: ") + server.errorString();
        return false;
    }
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(60000)) {
        number += server.readAllStandardOutput();
    }
    number = number.trimmed();
    if (number.isEmpty()) {
        error = QStringLiteral("Xvfb named no display");
        return false;
    }
    display = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

QProcessEnvironment XSession::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

TestProgram& XSession::Start(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment) {
    programs.push_back(std::make_unique<TestProgram>(program, arguments, environment));
    return *programs.back();
}

XWindow XSession::Root() const {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

void XSession::Sync() {
    // Any request with a reply will do: the server answers requests in order.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

XWindow XSession::WaitForWindow(const QString& name, int timeoutMs) {
    if (!connection) return 0;
    const xcb_atom_t utf8Name = [this] {
        XReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, 12, "_NET_WM_NAME"), nullptr));
        return atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    }();
    auto title = [this](XWindow window, xcb_atom_t property) {
        XReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr));
        if (!reply) return QString();
        return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                 xcb_get_property_value_length(reply.get()));
    };
    std::function<XWindow(XWindow)> search = [&](XWindow parent) -> XWindow {
        for (const ShownWindow& child : ShownChildren(parent)) {
            if (title(child.window, utf8Name).contains(name) ||
                title(child.window, XCB_ATOM_WM_NAME).contains(name)) {
                return child.window;
            }
            if (const XWindow inner = search(child.window)) return inner;
        }
        return 0;
    };
    XWindow found = 0;
    WaitUntil([&] { return (found = search(Root())) != 0; }, timeoutMs);
    return found;
}

std::vector<XSession::ShownWindow> XSession::ShownChildren(XWindow parent) {
    std::vector<ShownWindow> shown;
    if (!connection) return shown;
    XReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
    if (!tree) return shown;
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, ids[i]), nullptr));
        XReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, ids[i]), nullptr));
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        shown.push_back(
            {ids[i], QRect(geometry->x, geometry->y, geometry->width, geometry->height)});
    }
    return shown;
}

std::optional<XWindow> XSession::FindTopLevel(const QSize& size) {
    if (!connection) return std::nullopt;
    for (const ShownWindow& child : ShownChildren(Root())) {
        if (child.rect.size() == size) return child.window;
    }
    return std::nullopt;
}

QRect XSession::Geometry(XWindow window) {
    if (!connection) return {};
    XReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    XReply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, Root(), 0, 0), nullptr));
    if (!geometry || !origin) return {};
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

std::vector<QRect> XSession::MappedChildren(XWindow window) {
    std::vector<QRect> children;
    for (const ShownWindow& child : ShownChildren(window)) children.push_back(child.rect);
    return children;
}

XWindow XSession::CreateWindow(const QRect& rect) {
    if (!connection) return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const XWindow window = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen->black_pixel};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root,
                      static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                      static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(connection, window);
    Sync();
    return window;
}

void XSession::ResizeWindow(XWindow window, int width, int height) {
    if (!connection) return;
    const std::uint32_t values[] = {static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    Sync();
}

void XSession::DestroyWindow(XWindow window) {
    if (!connection) return;
    xcb_destroy_window(connection, window);
    Sync();
}

std::optional<std::uint8_t> XSession::KeycodeOf(std::uint32_t keysym, bool* shifted) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XReply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0) return std::nullopt;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    // The plain symbol of a key wins over its shifted one.
    for (int column = 0; column < std::min(perKey, 2); ++column) {
        for (int key = 0; key < count; ++key) {
            if (keysyms[key * perKey + column] == keysym) {
                if (shifted) *shifted = column == 1;
                return static_cast<std::uint8_t>(setup->min_keycode + key);
            }
        }
    }
    return std::nullopt;
}

bool XSession::FakeInput(std::uint8_t type, std::uint8_t detail, XWindow root, int x, int y) {
    const xcb_void_cookie_t cookie =
        xcb_test_fake_input_checked(connection, type, detail, XCB_CURRENT_TIME, root,
                                    static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
    XReply<xcb_generic_error_t> failure(xcb_request_check(connection, cookie));
    return !failure;
}

bool XSession::SendKey(XWindow window, const QString& key) {
    if (!connection) return false;
    const std::optional<std::uint32_t> keysym = KeysymNamed(key);
    bool shifted = false;
    const std::optional<std::uint8_t> keycode =
        keysym ? KeycodeOf(*keysym, &shifted) : std::nullopt;
    const std::optional<std::uint8_t> shift = KeycodeOf(kShiftLeft, nullptr);
    if (!keycode || (shifted && !shift)) return false;
    // The pointer goes onto the window too, so that the keys reach it whatever the focus
    // rules of the program are.
    const QRect area = Geometry(window);
    if (area.isEmpty()) return false;
    bool sent = FakeInput(XCB_MOTION_NOTIFY, 0, Root(), area.center().x(), area.center().y());
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    if (shifted) sent = sent && FakeInput(XCB_KEY_PRESS, *shift, XCB_NONE, 0, 0);
    sent = sent && FakeInput(XCB_KEY_PRESS, *keycode, XCB_NONE, 0, 0);
    sent = sent && FakeInput(XCB_KEY_RELEASE, *keycode, XCB_NONE, 0, 0);
    if (shifted) sent = FakeInput(XCB_KEY_RELEASE, *shift, XCB_NONE, 0, 0) && sent;
    Sync();
    return sent;
}

bool XSession::Click(XWindow window, const QPoint& at, int button) {
    if (!connection || button < 1 || button > 255) return false;
    const QRect area = Geometry(window);
    if (area.isEmpty()) return false;
    const QPoint onScreen = area.topLeft() + at;
    const auto detail = static_cast<std::uint8_t>(button);
    const bool sent = FakeInput(XCB_MOTION_NOTIFY, 0, Root(), onScreen.x(), onScreen.y()) &&
                      FakeInput(XCB_BUTTON_PRESS, detail, XCB_NONE, 0, 0) &&
                      FakeInput(XCB_BUTTON_RELEASE, detail, XCB_NONE, 0, 0);
    Sync();
    return sent;
}

QImage XSession::Grab(XWindow window) {
    if (!connection) return {};
    if (window == 0) window = Root();
    XReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry) return {};
    XReply<xcb_get_image_reply_t> image(
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          geometry->width, geometry->height, ~0u),
                            nullptr));
    if (!image || image->depth != 24) return {};
    // A 24-bit Z pixmap of Xvfb holds 32 bits a pixel, blue first: Qt's RGB32 in memory.
    const int width = geometry->width;
    const int height = geometry->height;
    if (xcb_get_image_data_length(image.get()) < width * height * 4) return {};
    const QImage picture(xcb_get_image_data(image.get()), width, height, width * 4,
                         QImage::Format_RGB32);
    return picture.copy();
}

bool WaitUntil(const std::function<bool()>& check, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!check()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}
