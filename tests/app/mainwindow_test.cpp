#include <QMenu>
#include <QWheelEvent>
#include <QtTest>

#include "app/mainwindow.h"
#include "app/startup.h"
#include "render/maprendererimpl.h"
#include "temporarystore.h"

// The window's commands on a renderer with a known map size and no files behind it.
class MainWindowTest : public QObject {
    Q_OBJECT

private:
    MapRenderer& Renderer() { return *Application().renderer; }
    MapRendererImpl& Impl() { return *static_cast<MapRendererImpl*>(Application().renderer.Get()); }

    void Wheel(MainWindow& window, int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(10, 10), window.mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &event);
    }

private slots:
    void init() {
        ReleaseRenderer();
        QVERIFY(CreateMapRenderer(Application().renderer.Receive()) == 0);
        Application().viewWidth = 800;
        Application().viewHeight = 600;
    }

    void zoomStepsAndClamps() {
        MainWindow window;
        Renderer().SetZoom(0.34);
        for (int i = 0; i < 7; ++i) window.StepZoom(+1);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.69) < 1e-9);
        Renderer().SetZoom(0.89);
        window.StepZoom(+1);
        QCOMPARE(Renderer().GetZoom(), 0.9);
        window.StepZoom(+1);
        QCOMPARE(Renderer().GetZoom(), 0.9);
        Renderer().SetZoom(0.12);
        window.StepZoom(-1);
        QCOMPARE(Renderer().GetZoom(), 0.1);
        window.StepZoom(0);  // no direction counts as zooming out
        QCOMPARE(Renderer().GetZoom(), 0.1);
    }

    void wheelZoomsOneStepPerNotchAndStepsTurnsWithCtrl() {
        MainWindow window;
        Renderer().SetZoom(0.5);
        Wheel(window, 120, Qt::NoModifier);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.55) < 1e-9);
        Wheel(window, -240, Qt::NoModifier);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.5) < 1e-9);
        for (int i = 0; i < 7; ++i) Wheel(window, 15, Qt::NoModifier);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.5) < 1e-9);  // not yet a whole notch
        Wheel(window, 15, Qt::NoModifier);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.55) < 1e-9);

        Impl().currentFrame = 1;  // a history of no frames: stepping clamps at 0 / -1
        Wheel(window, -120, Qt::ControlModifier);
        QCOMPARE(Impl().currentFrame, 0);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.55) < 1e-9);
    }

    void centreOnPointKeepsTheMapWithinItsBounds() {
        MainWindow window;
        Impl().mapData.mapHeight = 2000;
        Renderer().SetZoom(0.5);  // scaled height 1000 in a view 600 high
        Renderer().SetOffsetX(0);
        Renderer().SetOffsetY(0);
        window.CentreOnPoint(400, 300);  // the exact centre
        QCOMPARE(Renderer().GetOffsetX(), -1);
        QCOMPARE(Renderer().GetOffsetY(), 0);
        window.CentreOnPoint(400, 2000);  // far below: the map's bottom meets the view's
        QCOMPARE(Renderer().GetOffsetY(), 600 - 1000);
        window.CentreOnPoint(5000, 300);  // far right: no left bound, the map repeats
        QCOMPARE(Renderer().GetOffsetX(), -1 + 400 - 5000);

        Impl().mapData.mapHeight = 400;  // shorter than the view: aligned with its bottom
        Renderer().SetOffsetY(0);
        window.CentreOnPoint(400, 300);
        QCOMPARE(Renderer().GetOffsetY(), 600 - 200);
    }

    void menuHasTheItemsInOrder() {
        MainWindow window;
        QMenu* menu = window.CreatePopupMenu();
        QStringList items;
        for (QAction* action : menu->actions()) {
            items << (action->isSeparator() ? QString("-")
                                            : action->text() + "=" + action->data().toString());
        }
        delete menu;
        QCOMPARE(items, QStringList({"Zoom In (+)=40001", "Zoom Out (-)=40002", "-",
                                     "Next Turn (->)=40003", "Previous Turn (<-)=40004", "-",
                                     "&Export...=40005", "-", "Help (F1)=40007", "-",
                                     "&Configure...=40006", "-", "Show Changes=40008"}));
    }

    void showChangesIsKeptInTheStoreAndHandedToTheRenderer() {
        TemporaryStore store;
        QVERIFY(!ReadShowChanges());  // off when never set
        Application().changeMarks = false;
        MainWindow window;
        auto itemChecked = [&window] {
            QMenu* menu = window.CreatePopupMenu();
            const QAction* item = menu->actions().back();
            const bool checked = item->isCheckable() && item->isChecked();
            delete menu;
            return checked;
        };
        QVERIFY(!itemChecked());
        window.HandleMenuCommand(kShowChanges);
        QVERIFY(itemChecked());
        QVERIFY(Impl().changeMarks);
        QVERIFY(ReadShowChanges());
        window.HandleMenuCommand(kShowChanges);
        QVERIFY(!itemChecked());
        QVERIFY(!Impl().changeMarks);
        QVERIFY(!ReadShowChanges());
    }

    void delaysBecomeMillisecondsWithin32Bits_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("default") << 2 << 2000;
        QTest::newRow("longest exact") << 2147483 << 2147483000;
        QTest::newRow("first too long") << 2147484 << INT32_MAX;
        QTest::newRow("largest") << INT32_MAX << INT32_MAX;
        QTest::newRow("negative") << -5 << -5000;
        QTest::newRow("most negative") << INT32_MIN << INT32_MIN;
    }
    void delaysBecomeMillisecondsWithin32Bits() {
        QFETCH(int, seconds);
        QFETCH(int, milliseconds);
        QCOMPARE(DelayMilliseconds(seconds), milliseconds);
    }

    void cleanupTestCase() { ReleaseRenderer(); }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
