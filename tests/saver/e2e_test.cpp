#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <functional>
#include <memory>

#include "testsupport.h"
#include "xdisplay.h"

// The program quelm itself, on a virtual display of the test's own, with its settings
// pointing at the real TripleA 0.8.2.1 revised map and game (one frame: no converter text).
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// Runs quelm with the given arguments and environment, and ends it when the test does.
class Saver {
public:
    Saver(const QStringList& arguments, const QProcessEnvironment& environment) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUELM_SAVER_PROGRAM), arguments);
    }
    ~Saver() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(10000)) process.kill();
        process.waitForFinished(5000);
    }
    // Waits for the end; false when it is still running after the timeout.
    bool Finished(int milliseconds) {
        return process.state() == QProcess::NotRunning || process.waitForFinished(milliseconds);
    }
    int ExitCode() const {
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString ErrorOutput() { return QString::fromLocal8Bit(process.readAllStandardError()); }
    QString Output() { return QString::fromLocal8Bit(process.readAllStandardOutput()); }

private:
    QProcess process;
};

// Asks check every 100 ms until it holds or the time is up.
bool WaitFor(const std::function<bool()>& check, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!check()) {
        if (clock.elapsed() > milliseconds) return false;
        QThread::msleep(100);
    }
    return true;
}

// The map, rather than a blank window or the invalid-configuration picture: many colours,
// none of them covering most of the picture.
bool ShowsTheMap(const QImage& picture) {
    if (picture.isNull()) return false;
    int colours = 0;
    const double commonest = CommonestColourShare(picture, &colours);
    return colours > 100 && commonest < 0.6;
}

QString Hex(std::uint32_t window) { return QStringLiteral("0x") + QString::number(window, 16); }

class SaverProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
        QString error;
        if (!display.Start(kScreenWidth, kScreenHeight, error)) GTEST_SKIP() << error.toStdString();
        folder.Write("config/Ostrevan/Quelm.conf",
                     "[General]\ngame_config=" + triplea + "/games/revised.xml\n" +
                         "maps_directory=" + triplea + "/maps/revised\n" +
                         "images_directory=" + triplea + "/images\n");
        // The converter's output is looked for in the user's data folder: an empty one here.
        folder.MakeFolder("installation");
        folder.MakeFolder("data");
        folder.Write("system/Ostrevan/Quelm.conf",
                     "[General]\nInstallationDirectory=" + folder.File("installation") + "\n");
        QFile::setPermissions(QString::fromStdString(folder.MakeFolder("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), display.Name());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           QString::fromStdString(folder.File("config")));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                           QString::fromStdString(folder.File("system")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           QString::fromStdString(folder.File("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           QString::fromStdString(folder.File("runtime")));
        return environment;
    }

    // Waits until window (the whole screen for 0) shows the map; the saver prepares its
    // first frame while it paints, which takes a while under the sanitizers.
    ::testing::AssertionResult MapShownIn(std::uint32_t window) {
        if (WaitFor([&] { return ShowsTheMap(display.Grab(window)); }, 20000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the map did not appear";
    }

    TemporaryFolder folder;
    TestDisplay display;
};

TEST_F(SaverProgramTest, WindowShowsTheMapDriftingLeft) {
    Saver saver({QStringLiteral("-window")}, Environment());
    std::optional<std::uint32_t> window;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (window = display.FindTopLevel({800, 600})).has_value();
        },
        10000))
        << saver.ErrorOutput().toStdString();
    ASSERT_TRUE(MapShownIn(*window));

    const QImage earlier = display.Grab(*window);
    QThread::msleep(1000);
    const QImage later = display.Grab(*window);
    double match = 0;
    const int shift = BestLeftShift(earlier, later, 0, later.height(), 300, &match);
    // The whole picture moved left as one: every pixel matches its neighbour shift pixels to
    // the right of the picture a second before.
    EXPECT_GE(match, 0.99) << "shift " << shift;
    EXPECT_GE(shift, 1);
}

TEST_F(SaverProgramTest, DrawsIntoTheWindowItIsGivenFollowsItsSizeAndEndsWithIt) {
    // xscreensaver names its window in the environment and runs "quelm --root".
    const std::uint32_t gone = display.CreateWindow({0, 0, 10, 10});
    display.DestroyWindow(gone);
    QProcessEnvironment environment = Environment();
    environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"), Hex(gone));
    Saver nowhere({QStringLiteral("--root")}, environment);
    ASSERT_TRUE(nowhere.Finished(10000));
    EXPECT_EQ(nowhere.ExitCode(), 1);
    EXPECT_TRUE(
        nowhere.ErrorOutput().contains(QStringLiteral("there is no X window ") + Hex(gone)));

    // Its settings' preview adds --window-id, which wins over the environment.

    const std::uint32_t window = display.CreateWindow({100, 80, 640, 400});
    Saver saver({QStringLiteral("--root"), QStringLiteral("--window-id"), Hex(window)},
                environment);
    ASSERT_TRUE(MapShownIn(window)) << saver.ErrorOutput().toStdString();
    EXPECT_EQ(display.MappedChildren(window), std::vector<QRect>{QRect(0, 0, 640, 400)});
    EXPECT_FALSE(display.FindTopLevel({kScreenWidth, kScreenHeight}));

    display.ResizeWindow(window, 500, 300);
    EXPECT_TRUE(WaitFor(
        [&] {
            return display.MappedChildren(window) == std::vector<QRect>{{0, 0, 500, 300}};
        },
        5000));
    EXPECT_TRUE(MapShownIn(window));

    display.DestroyWindow(window);
    ASSERT_TRUE(saver.Finished(10000));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.ErrorOutput().toStdString();
}

TEST_F(SaverProgramTest, RootFillsTheScreenAndEndsOnAKeyPress) {
    Saver saver({QStringLiteral("-root")}, Environment());
    std::optional<std::uint32_t> window;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (window = display.FindTopLevel({kScreenWidth, kScreenHeight})).has_value();
        },
        10000))
        << saver.ErrorOutput().toStdString();
    ASSERT_TRUE(MapShownIn(0));
    EXPECT_FALSE(saver.Finished(200));

    display.PressKey(*window);
    ASSERT_TRUE(saver.Finished(10000));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.ErrorOutput().toStdString();
}

TEST(SaverCommandLineTest, HelpUsageErrorsAndAMissingDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("XSCREENSAVER_WINDOW"));

    Saver help({QStringLiteral("--help")}, environment);
    ASSERT_TRUE(help.Finished(10000));
    EXPECT_EQ(help.ExitCode(), 0);
    EXPECT_TRUE(help.Output().startsWith(QStringLiteral("Usage: quelm")));

    Saver wrong({QStringLiteral("-root"), QStringLiteral("-fast")}, environment);
    ASSERT_TRUE(wrong.Finished(10000));
    EXPECT_EQ(wrong.ExitCode(), 2);
    EXPECT_TRUE(wrong.ErrorOutput().startsWith(QStringLiteral("quelm: unknown option \"-fast\"")));

    Saver blind({QStringLiteral("-root")}, environment);
    ASSERT_TRUE(blind.Finished(10000));
    EXPECT_EQ(blind.ExitCode(), 1);
    EXPECT_TRUE(blind.ErrorOutput().contains(QStringLiteral("no display")));
}

}  // namespace
