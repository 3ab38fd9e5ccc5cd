#include "saver/foreignwindow.h"

#include <QGuiApplication>

#include <cstdlib>

#include <xcb/xcb.h>

namespace {

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

bool HasXConnection() { return XConnection() != nullptr; }

std::optional<QSize> ForeignWindowSize(std::uint32_t windowId) {
    xcb_connection_t* connection = XConnection();
    if (!connection) return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, windowId), &error);
    std::free(error);
    if (!reply) return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}
