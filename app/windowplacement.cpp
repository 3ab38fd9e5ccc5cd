#include "app/windowplacement.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include "settings/settingsstore.h"

namespace {

const char* const kStoreValue = "window_placement";
constexpr int kSmallestSide = 100;
// How much of the window must lie on a screen for it to be found and moved again.
constexpr int kVisibleSide = 50;

bool ReachableOnSomeScreen(const QRect& geometry) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(geometry);
        if (visible.width() >= kVisibleSide && visible.height() >= kVisibleSide) return true;
    }
    return false;
}

}  // namespace

QString PlacementText(const WindowPlacement& placement) {
    const QRect& g = placement.geometry;
    QString text =
        QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
    if (placement.maximized) text += QStringLiteral(",maximized");
    return text;
}

std::optional<WindowPlacement> ParsePlacement(const QString& text) {
    static const QRegularExpression format(
        QStringLiteral("^(-?\\d{1,6}),(-?\\d{1,6}),(\\d{1,6}),(\\d{1,6})(,maximized)?$"));
    const QRegularExpressionMatch match = format.match(text);
    if (!match.hasMatch()) return std::nullopt;
    WindowPlacement placement;
    placement.geometry = QRect(match.captured(1).toInt(), match.captured(2).toInt(),
                               match.captured(3).toInt(), match.captured(4).toInt());
    placement.maximized = match.hasCaptured(5);
    if (placement.geometry.width() < kSmallestSide || placement.geometry.height() < kSmallestSide)
        return std::nullopt;
    return placement;
}

void RestoreWindowPlacement(QWidget& window) {
    std::string text;
    if (!ReadSettingValue(SettingsScope::User, kStoreValue, text)) return;
    const std::optional<WindowPlacement> placement = ParsePlacement(QString::fromStdString(text));
    if (!placement || !ReachableOnSomeScreen(placement->geometry)) return;
    window.setGeometry(placement->geometry);
    if (placement->maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void SaveWindowPlacement(const QWidget& window) {
    WindowPlacement placement;
    placement.geometry = window.isMaximized() ? window.normalGeometry() : window.geometry();
    placement.maximized = window.isMaximized();
    WriteSettingValue(kStoreValue, PlacementText(placement).toStdString());
}
