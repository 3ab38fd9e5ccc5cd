#pragma once

#include "render/loadingdialoghost.h"

class QWidget;

// The loading dialog: a small window without caption or buttons, centred on the screen,
// showing "Loading Tiles ..." and a progress bar while its 100 ms timer prepares one frame
// per tick. It cannot be cancelled; it closes when the walk is complete.
class LoadingDialog : public LoadingDialogHost {
public:
    explicit LoadingDialog(QWidget* parent = nullptr) : parent(parent) {}
    int RunModal(LoadingWalk& walk) override;

private:
    QWidget* parent;
};
