#include <QKeyEvent>
#include <QMouseEvent>
#include <QtTest>

#include "app/startup.h"
#include "rendertestsupport.h"
#include "saver/inputwatch.h"
#include "saver/saverwindow.h"

// The saver window on a renderer that the test made (start-up keeps a renderer that already
// exists) and holds a reference of its own on, with a hand-made map of one frame and a
// clock that counts the ticks.
class SaverWindowTest : public QObject {
    Q_OBJECT

private:
    Ref<MapRenderer> renderer;
    int ticks = 0;

    MapRendererImpl& Impl() { return ImplOf(renderer); }

    void StartWith(SaverWindow& window, int width, int height) {
        window.resize(width, height);
        Application().viewWidth = width;
        Application().viewHeight = height;
        renderer->SetWidth(width);
        renderer->SetHeight(height);
        renderer->SetOffsetX(-width);
        window.show();
    }

    static void Move(QWidget& window, QPointF to) {
        QMouseEvent event(QEvent::MouseMove, to, window.mapToGlobal(to), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    }

private slots:
    void init() {
        ticks = 0;
        RendererEnvironment environment;
        environment.tickCount = [this] { return static_cast<std::uint32_t>(++ticks); };
        renderer.Reset();
        QVERIFY(CreateMapRenderer(renderer.Receive(), environment) == 0);
        FillHistory(renderer, 1);
        UseHandMadeMap(renderer, [](MapData& data) {
            data.mapWidth = 200;
            data.mapHeight = 100;
            data.tileWidth = 100;
            data.tileHeight = 100;
        });
        renderer->SetZoom(1.0);
        Application().renderer = renderer;
        Application().guiStarter = std::make_unique<GuiStarter>();
    }

    void cleanup() {
        ReleaseRenderer();
        renderer.Reset();
    }

    void timerDrivesTheDriftUntilClosingStopsItBeforeTheRelease() {
        SaverWindow window;
        QSignalSpy closed(&window, &SaverWindow::closed);
        StartWith(window, 300, 200);
        QVERIFY(window.IsScrolling());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 30000);
        QVERIFY(renderer->GetOffsetX() < -300);

        window.close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.IsScrolling());
        QVERIFY(!Application().renderer);
        QVERIFY(!Application().guiStarter);
        // The test's own reference keeps the renderer alive: no tick may reach it now.
        const int ticksAtClose = ticks;
        const std::int32_t offsetAtClose = renderer->GetOffsetX();
        QTest::qWait(5 * 16);
        QCOMPARE(ticks, ticksAtClose);
        QCOMPARE(renderer->GetOffsetX(), offsetAtClose);
    }

    void followsTheSizeOfItsWindowAndDriftsOn() {
        SaverWindow window;
        StartWith(window, 300, 200);
        QTRY_VERIFY_WITH_TIMEOUT(renderer->GetOffsetX() < -302, 30000);
        window.resize(500, 250);
        QCOMPARE(Impl().viewWidth, 500);
        QCOMPARE(Impl().viewHeight, 250);
        QCOMPARE(Application().viewWidth, 500);
        QCOMPARE(Application().viewHeight, 250);
        const std::int32_t offset = renderer->GetOffsetX();
        QVERIFY(offset < -302);  // the drift goes on where it was
        QTRY_VERIFY_WITH_TIMEOUT(renderer->GetOffsetX() < offset, 30000);
    }

    void fullScreenInputEndsTheSaverButATremorDoesNot() {
        SaverWindow window;
        new InputWatch(&window);
        StartWith(window, 300, 200);
        Move(window, {100, 100});
        Move(window, {103, 96});  // within the slack of the first position seen
        Move(window, {97, 104});
        QVERIFY(window.isVisible());
        Move(window, {106, 100});
        QVERIFY(!window.isVisible());

        for (QEvent::Type type : {QEvent::KeyPress, QEvent::MouseButtonPress}) {
            init();
            SaverWindow another;
            new InputWatch(&another);
            StartWith(another, 300, 200);
            if (type == QEvent::KeyPress) {
                QTest::keyPress(&another, Qt::Key_Shift);
            } else {
                QTest::mousePress(&another, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            }
            QVERIFY(!another.isVisible());
            QVERIFY(!Application().renderer);
        }
    }
};

QTEST_MAIN(SaverWindowTest)
#include "saverwindow_test.moc"
