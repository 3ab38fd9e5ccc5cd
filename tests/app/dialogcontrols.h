#pragma once

#include <QDialog>
#include <QString>

// The control of a dialog with the given identifier (kept as its object name); the test
// stops when it is missing.
template <class Widget>
Widget* Control(QDialog& dialog, int id) {
    auto* widget = dialog.findChild<Widget*>(QString::number(id));
    if (!widget) qFatal("control %d missing", id);
    return widget;
}
