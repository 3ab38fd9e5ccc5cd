#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include "app/loadingdialog.h"

namespace {

// A walk over a fixed number of frames that looks at the dialog on every tick.
class ScriptedWalk : public LoadingWalk {
public:
    explicit ScriptedWalk(int frames) : frames(frames) {}
    std::int32_t Start() override { return std::min(frames - 1, 9); }
    bool Step(std::int32_t& position) override {
        QProgressBar* bar = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "106" && widget->isVisible()) {
                bar = widget->findChild<QProgressBar*>("1029");
                labels << widget->findChild<QLabel*>()->text();
                flags = widget->windowFlags();
            }
        }
        if (bar) maxima << bar->maximum();
        if (bar) shown << bar->value();
        if (step == frames) return false;
        position = ++step;
        return true;
    }

    int frames;
    int step = 0;
    QList<int> maxima;
    QList<int> shown;
    QStringList labels;
    Qt::WindowFlags flags;
};

}  // namespace

class LoadingDialogTest : public QObject {
    Q_OBJECT

private slots:
    void walksEveryFrameOnePerTickAndCloses() {
        ScriptedWalk walk(4);
        LoadingDialog dialog;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dialog.RunModal(walk), 0);
        QCOMPARE(walk.step, 4);
        QCOMPARE(walk.maxima, QList<int>({3, 3, 3, 3, 3}));
        QCOMPARE(walk.shown, QList<int>({0, 1, 2, 3, 3}));  // the position of the tick before
        QCOMPARE(walk.labels.front(), QString("Loading Tiles ..."));
        QVERIFY(walk.flags & Qt::FramelessWindowHint);
        QVERIFY(clock.elapsed() >= 400);  // five ticks of 100 ms
    }

    void escapeDoesNotCancel() {
        ScriptedWalk walk(3);
        LoadingDialog dialog;
        QTimer::singleShot(150, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == "106") QTest::keyClick(widget, Qt::Key_Escape);
            }
        });
        QCOMPARE(dialog.RunModal(walk), 0);
        QCOMPARE(walk.step, 3);
    }
};

QTEST_MAIN(LoadingDialogTest)
#include "loadingdialog_test.moc"
