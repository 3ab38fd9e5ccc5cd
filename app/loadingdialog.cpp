#include "app/loadingdialog.h"

#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kTickMilliseconds = 100;

// A dialog that neither Escape nor the window manager can close: only the walk ends it.
class UncancellableDialog : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override {}
};

void CentreOnScreen(QWidget& window) {
    window.adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.width() / 2 - window.width() / 2, area.height() / 2 - window.height() / 2);
}

}  // namespace

int LoadingDialog::RunModal(LoadingWalk& walk) {
    UncancellableDialog dialog(parent, Qt::Dialog | Qt::FramelessWindowHint);
    dialog.setObjectName(QStringLiteral("106"));
    dialog.setWindowTitle(QStringLiteral("Quelm"));
    auto* frame = new QFrame;
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* outer = new QVBoxLayout(&dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Loading Tiles ...")));
    auto* progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("1029"));
    progress->setTextVisible(false);
    progress->setMinimumWidth(340);
    layout->addWidget(progress);
    CentreOnScreen(dialog);

    progress->setRange(0, walk.Start());
    progress->setValue(0);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
        std::int32_t position = 0;
        if (walk.Step(position)) {
            progress->setValue(std::min(position, progress->maximum()));
        } else {
            timer.stop();
            dialog.done(0);
        }
    });
    timer.start(kTickMilliseconds);
    return dialog.exec();
}
