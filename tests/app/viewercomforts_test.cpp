// The viewer's comforts: the status line, the keys that jump through the game, "+" in either
// order of release, F1, the window's placement and the export's suggested file.
#include <QDesktopServices>
#include <QLabel>
#include <QtTest>

#include "app/framenavigation.h"
#include "app/helppages.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/windowplacement.h"
#include "recordingmessages.h"
#include "render/maprendererimpl.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "temporarystore.h"

namespace {

const char* const kSmallGame = QUELM_TEST_DATA_DIR "/render/small/game.xml";

// Three rounds in which the Reds and the Blues move, and a fourth in which only the Reds do.
std::string ThreeAndAHalfRounds() {
    std::string text = "TrevoConvert\n";
    auto frame = [&text](int round, const std::string& player, const std::string& step) {
        text += "Caption:Round " + std::to_string(round) + " - " + player + " " + step +
                "\nStep:0\nPlayer:" + player + "\n-\n-\n-\nEnd Frame\n";
    };
    for (int round = 1; round <= 3; ++round) {
        frame(round, "Reds", "Combat Move");
        frame(round, "Reds", "Purchase Units");
        frame(round, "Blues", "Combat Move");
    }
    frame(4, "Reds", "Combat Move");
    return text;
}

bool NothingOpens(const QUrl&) { return false; }

}  // namespace

// Records the pages the window asks the desktop to open.
class PageRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

class ViewerComfortsTest : public QObject {
    Q_OBJECT

private:
    MapRenderer& Renderer() { return *Application().renderer; }
    std::unique_ptr<TemporaryStore> store;

    // A renderer holding the test's history, as the start-up leaves it.
    void LoadHistory() {
        const std::string history = store->folder.Write("history.txt", ThreeAndAHalfRounds());
        Ref<GameLoader> loader;
        Renderer().GetGameLoader(loader.Receive());
        loader->SetGameFile(kSmallGame);
        loader->SetConverterOutput(history);
    }
    static void Release(MainWindow& window, int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyRelease(&window, static_cast<Qt::Key>(key), modifiers);
    }

private slots:
    void init() {
        store = std::make_unique<TemporaryStore>();
        ReleaseRenderer();
        QVERIFY(CreateMapRenderer(Application().renderer.Receive()) == 0);
        Application().viewWidth = 800;
        Application().viewHeight = 600;
    }
    void cleanup() {
        ReleaseRenderer();
        store.reset();
    }

    void statusLineSaysRoundPlayerAndStep_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("player");
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all known")
            << "Round 4 - Germans Combat Move"
            << "Germans" << 99 << 285 << "Round 4 - Germans - step 100 of 285";
        QTest::newRow("no round") << "Start of the game"
                                  << "Germans" << 0 << 3 << "Germans - step 1 of 3";
        QTest::newRow("no player") << "Round 12"
                                   << "" << 2 << 3 << "Round 12 - step 3 of 3";
        QTest::newRow("'Round' inside") << "After Round 2"
                                        << "" << 0 << 1 << "step 1 of 1";
        QTest::newRow("no frames") << ""
                                   << "" << -1 << 0 << "No steps to show";
    }
    void statusLineSaysRoundPlayerAndStep() {
        QFETCH(QString, caption);
        QFETCH(QString, player);
        QFETCH(int, frame);
        QFETCH(int, count);
        QFETCH(QString, expected);
        QCOMPARE(StepStatusText(caption.toStdString(), player.toStdString(), frame, count),
                 expected);
    }

    void pageKeysGoOneRoundToTheSameStep_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("expected");
        // Frames: 0-2 round 1, 3-5 round 2, 6-8 round 3, 9 round 4 (Reds Combat Move only).
        QTest::newRow("forward, same step") << 1 << +1 << 4;
        QTest::newRow("back, same step") << 8 << -1 << 5;
        QTest::newRow("step missing: first of round") << 8 << +1 << 9;
        QTest::newRow("back from round 1: first frame") << 2 << -1 << 0;
        QTest::newRow("forward from the last round: last frame") << 9 << +1 << 9;
    }
    void pageKeysGoOneRoundToTheSameStep() {
        QFETCH(int, from);
        QFETCH(int, direction);
        QFETCH(int, expected);
        std::vector<std::string> captions;
        for (int round = 1; round <= 3; ++round) {
            for (const char* step :
                 {"Reds Combat Move", "Reds Purchase Units", "Blues Combat Move"})
                captions.push_back("Round " + std::to_string(round) + " - " + step);
        }
        captions.push_back("Round 4 - Reds Combat Move");
        QCOMPARE(FrameOneRoundAway(captions, from, direction), expected);
        QCOMPARE(FrameOneRoundAway({"Start", "Middle", "End"}, 1, +1), 1);  // no rounds named
    }

    void keysJumpThroughTheGameAndTheStatusLineFollows() {
        LoadHistory();
        MainWindow window;
        Ref<GameLoader> loader;
        Renderer().GetGameLoader(loader.Receive());
        const int count = loader->GetFrameCount(nullptr);
        QVERIFY(count >= 10);
        const int first = count - 10;  // the frames the history adds, after any of the game's own
        QCOMPARE(Renderer().GetCurrentFrame(), count - 1);  // the viewer opens on the last step
        QCOMPARE(window.StatusText(), QString("Round 4 - Reds - step %1 of %1").arg(count));
        Release(window, Qt::Key_Home);
        QCOMPARE(Renderer().GetCurrentFrame(), 0);
        Renderer().GoToFrame(first + 1);
        Release(window, Qt::Key_PageDown);
        QCOMPARE(Renderer().GetCurrentFrame(), first + 4);
        QCOMPARE(window.StatusText(),
                 QString("Round 2 - Reds - step %1 of %2").arg(first + 5).arg(count));
        Release(window, Qt::Key_PageUp);
        QCOMPARE(Renderer().GetCurrentFrame(), first + 1);
        Release(window, Qt::Key_End);
        QCOMPARE(Renderer().GetCurrentFrame(), count - 1);

        // The line is shown under the map, which keeps the rest of the window.
        window.resize(640, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.repaint();
        auto* line = window.findChild<QLabel*>("statusLine");
        QVERIFY(line && line->isVisible());
        QCOMPARE(line->text(), window.StatusText());
        QCOMPARE(line->geometry().bottom(), window.height() - 1);
        QCOMPARE(Application().viewHeight, line->geometry().top());
    }

    void plusZoomsWhicheverKeyIsReleasedFirst() {
        MainWindow window;
        Renderer().SetZoom(0.5);
        // "=" released while Shift is held: the release reports "+".
        QTest::keyPress(&window, Qt::Key_Plus, Qt::ShiftModifier);
        Release(window, Qt::Key_Plus, Qt::ShiftModifier);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.55) < 1e-9);
        // Shift released first: the release reports "=".
        QTest::keyPress(&window, Qt::Key_Plus, Qt::ShiftModifier);
        Release(window, Qt::Key_Shift, Qt::ShiftModifier);
        Release(window, Qt::Key_Equal);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.6) < 1e-9);
        // "=" alone does not zoom.
        QTest::keyPress(&window, Qt::Key_Equal);
        Release(window, Qt::Key_Equal);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.6) < 1e-9);
        Release(window, Qt::Key_Minus);
        QVERIFY(qAbs(Renderer().GetZoom() - 0.55) < 1e-9);
    }

    void f1OpensTheHelpPageAndNamesItsFileWhenNothingCanShowIt() {
        PageRecorder recorder;
        QDesktopServices::setUrlHandler("file", &recorder, "Open");
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(recorder.opened, QList<QUrl>{HelpPageUrl()});
        QVERIFY(HelpPageUrl().toLocalFile().endsWith("/quelm.html"));

        RecordingMessages messages;
        OpenHelpPage(messages, &NothingOpens);
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY(messages.shown.front().first.find(HelpPageUrl().toLocalFile().toStdString()) !=
                std::string::npos);
    }

    void placementIsStoredAndReadBack_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "10,20,640,480" << true;
        QTest::newRow("maximized") << "-8,-8,1024,768,maximized" << true;
        QTest::newRow("too small") << "10,20,40,480" << false;
        QTest::newRow("missing a number") << "10,20,640" << false;
        QTest::newRow("words") << "left,top,wide,high" << false;
        QTest::newRow("huge") << "10,20,99999999,480" << false;
    }
    void placementIsStoredAndReadBack() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<WindowPlacement> placement = ParsePlacement(text);
        QCOMPARE(placement.has_value(), valid);
        if (placement) QCOMPARE(PlacementText(*placement), text);
    }

    void windowOpensWhereItWasClosed() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect where(screen.x() + 30, screen.y() + 40, 420, 310);
        {
            MainWindow window;
            window.setGeometry(where);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.close();
        }
        std::string stored;
        QVERIFY(ReadSettingValue(SettingsScope::User, "window_placement", stored));
        MainWindow again;
        RestoreWindowPlacement(again);
        QCOMPARE(again.geometry(), where);

        // A place on no screen (a monitor since unplugged) is not restored.
        WriteSettingValue("window_placement", "90000,90000,400,300");
        MainWindow elsewhere;
        const QRect before = elsewhere.geometry();
        RestoreWindowPlacement(elsewhere);
        QCOMPARE(elsewhere.geometry(), before);
    }

    void exportSuggestsTheGameAndStepInThePicturesFolder() {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(store->folder.Path()));
        LoadHistory();
        ProcessSettings().game_config = "/games/ww2v2.xml";
        MainWindow window;
        Renderer().GoToFrame(3);
        QString suggested = window.SuggestedExportPath();
        QCOMPARE(suggested, QString::fromStdString(store->folder.File("ww2v2-step-4.jpg")));
        store->folder.MakeFolder("Pictures");
        suggested = window.SuggestedExportPath();
        qputenv("HOME", home);
        ProcessSettings() = Settings();
        QCOMPARE(suggested,
                 QString::fromStdString(store->folder.File("Pictures/ww2v2-step-4.jpg")));
        QCOMPARE(SuggestedExportName("", 0), QString("quelm-step-1.jpg"));
    }
};

QTEST_MAIN(ViewerComfortsTest)
#include "viewercomforts_test.moc"
