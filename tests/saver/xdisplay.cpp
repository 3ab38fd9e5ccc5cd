#include "xdisplay.h"

#include <QStandardPaths>

#include <cstdlib>
#include <map>

#include <xcb/xcb.h>

namespace {

// xcb hands out replies and errors that the caller frees.
template <class T>
struct Freed {
    void operator()(T* p) const { std::free(p); }
};
template <class T>
using XReply = std::unique_ptr<T, Freed<T>>;

}  // namespace

TestDisplay::~TestDisplay() {
    if (connection) xcb_disconnect(connection);
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(5000)) server.kill();
        server.waitForFinished(5000);
    }
}

bool TestDisplay::Start(int width, int height, QString& error) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        error = QStringLiteral("Xvfb is not installed");
        return false;
    }
    // Xvfb picks a free display number and writes it to the given descriptor: its output.
    server.start(xvfb,
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(5000)) {
        error = QStringLiteral("Xvfb did not start");
        return false;
    }
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(10000)) number += server.readAll();
    number = number.trimmed();
    if (number.isEmpty()) {
        error = QStringLiteral("Xvfb named no display");
        return false;
    }
    name = QStringLiteral(":") + QString::fromLatin1(number);
    connection = xcb_connect(name.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        error = QStringLiteral("cannot connect to Xvfb on ") + name;
        return false;
    }
    screenWidth = width;
    screenHeight = height;
    return true;
}

std::uint32_t TestDisplay::Root() const {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

std::uint32_t TestDisplay::CreateWindow(const QRect& rect) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint32_t window = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen->black_pixel};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root,
                      static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                      static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    return window;
}

void TestDisplay::ResizeWindow(std::uint32_t window, int width, int height) {
    const std::uint32_t values[] = {static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(connection);
}

void TestDisplay::DestroyWindow(std::uint32_t window) {
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
}

std::vector<QRect> TestDisplay::MappedChildren(std::uint32_t window) {
    std::vector<QRect> children;
    XReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    if (!tree) return children;
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, ids[i]), nullptr));
        XReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, ids[i]), nullptr));
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        children.emplace_back(geometry->x, geometry->y, geometry->width, geometry->height);
    }
    return children;
}

std::optional<std::uint32_t> TestDisplay::FindTopLevel(const QSize& size) {
    XReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, Root()), nullptr));
    if (!tree) return std::nullopt;
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, ids[i]), nullptr));
        XReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, ids[i]), nullptr));
        if (attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            geometry->width == size.width() && geometry->height == size.height()) {
            return ids[i];
        }
    }
    return std::nullopt;
}

QImage TestDisplay::Grab(std::uint32_t window) {
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
    QImage picture(xcb_get_image_data(image.get()), width, height, width * 4, QImage::Format_RGB32);
    return picture.copy();
}

void TestDisplay::PressKey(std::uint32_t window) {
    constexpr std::uint8_t kSpaceKeycode = 65;
    for (std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        xcb_key_press_event_t event = {};
        event.response_type = type;
        event.detail = kSpaceKeycode;
        event.time = XCB_CURRENT_TIME;
        event.root = Root();
        event.event = window;
        event.child = XCB_NONE;
        event.root_x = static_cast<std::int16_t>(screenWidth / 2);
        event.root_y = static_cast<std::int16_t>(screenHeight / 2);
        event.event_x = event.root_x;
        event.event_y = event.root_y;
        event.same_screen = 1;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}

double CommonestColourShare(const QImage& image, int* colours) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    }
    int most = 0;
    for (const auto& [colour, count] : counts) most = std::max(most, count);
    if (colours) *colours = static_cast<int>(counts.size());
    const double pixels = double{1} * image.width() * image.height();
    return pixels > 0 ? most / pixels : 1.0;
}

int BestLeftShift(const QImage& earlier, const QImage& later, int top, int bottom, int maxShift,
                  double* match) {
    int best = 0;
    double bestMatch = -1;
    const int width = std::min(earlier.width(), later.width());
    for (int shift = 1; shift <= maxShift && shift < width; ++shift) {
        long same = 0;
        long compared = 0;
        for (int y = top; y < bottom; ++y) {
            const auto* before = reinterpret_cast<const QRgb*>(earlier.constScanLine(y));
            const auto* after = reinterpret_cast<const QRgb*>(later.constScanLine(y));
            for (int x = 0; x + shift < width; ++x) {
                same += (after[x] & 0xFFFFFF) == (before[x + shift] & 0xFFFFFF);
                ++compared;
            }
        }
        const double share = compared ? double(same) / compared : 0;
        if (share > bestMatch) {
            bestMatch = share;
            best = shift;
        }
    }
    if (match) *match = bestMatch;
    return best;
}
