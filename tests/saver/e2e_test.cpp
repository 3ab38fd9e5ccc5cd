#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <map>

#include "testsupport.h"
#include "xsession.h"

// The program quelm itself, on a virtual display of the test's own, with its settings
// pointing at the real TripleA 0.8.2.1 revised map and game (one frame: no converter text).
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// How much of the picture is its most common colour (0 to 1), and how many colours it has.
double CommonestColourShare(const QImage& image, int* colours) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    }
    int most = 0;
    for (const auto& [colour, count] : counts) most = std::max(most, count);
    *colours = static_cast<int>(counts.size());
    const double pixels = double{1} * image.width() * image.height();
    return pixels > 0 ? most / pixels : 1.0;
}

// The leftward shift (1 to maxShift pixels) under which later matches earlier best; the
// share of matching pixels goes to match.
int BestLeftShift(const QImage& earlier, const QImage& later, int maxShift, double* match) {
    int best = 0;
    double bestMatch = -1;
    const int width = std::min(earlier.width(), later.width());
    const int height = std::min(earlier.height(), later.height());
    for (int shift = 1; shift <= maxShift && shift < width; ++shift) {
        long same = 0;
        long compared = 0;
        for (int y = 0; y < height; ++y) {
            const auto* before = reinterpret_cast<const QRgb*>(earlier.constScanLine(y));
            const auto* after = reinterpret_cast<const QRgb*>(later.constScanLine(y));
            for (int x = 0; x + shift < width; ++x) {
                same += (after[x] & 0xFFFFFF) == (before[x + shift] & 0xFFFFFF);
                ++compared;
            }
        }
        const double share = compared ? double(same) / compared : 0;
        if (share > bestMatch) {
            bestMatch = share;
            best = shift;
        }
    }
    *match = bestMatch;
    return best;
}

// The map, rather than a blank window or the invalid-configuration picture: many colours,
// none of them covering most of the picture.
bool ShowsTheMap(const QImage& picture) {
    if (picture.isNull()) return false;
    int colours = 0;
    const double commonest = CommonestColourShare(picture, &colours);
    return colours > 100 && commonest < 0.6;
}

QString Hex(XWindow window) { return QStringLiteral("0x") + QString::number(window, 16); }

class SaverProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
        const QString missing = XSession::MissingServer();
        if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString();
        ASSERT_TRUE(session.Started()) << session.Error().toStdString();
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
        QProcessEnvironment environment = session.Environment();
        environment.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
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

    TestProgram& StartSaver(const QStringList& arguments, const QProcessEnvironment& environment) {
        return session.Start(QStringLiteral(QUELM_SAVER_PROGRAM), arguments, environment);
    }

    // Waits until window (the whole screen for 0) shows the map; the saver prepares its
    // first frame while it paints, which takes a while under the sanitizers.
    ::testing::AssertionResult MapShownIn(XWindow window) {
        if (WaitUntil([&] { return ShowsTheMap(session.Grab(window)); }, kPatienceMs)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the map did not appear";
    }

    // How long to wait for the saver to do something before calling it a failure.
    static constexpr int kPatienceMs = 60000;

    TemporaryFolder folder;
    XSession session{QSize(kScreenWidth, kScreenHeight)};
};

TEST_F(SaverProgramTest, WindowShowsTheMapDriftingLeft) {
    TestProgram& saver = StartSaver({QStringLiteral("-window")}, Environment());
    std::optional<XWindow> window;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return (window = session.FindTopLevel({800, 600})).has_value();
        },
        kPatienceMs))
        << saver.ErrorOutput().toStdString();
    ASSERT_TRUE(MapShownIn(*window));

    const QImage earlier = session.Grab(*window);
    QImage later;
    ASSERT_TRUE(WaitUntil([&] { return (later = session.Grab(*window)) != earlier; }, kPatienceMs))
        << "the map stood still";
    double match = 0;
    const int shift = BestLeftShift(earlier, later, 300, &match);
    // The whole picture moved left as one: every pixel matches its neighbour shift pixels to
    // the right of the earlier picture.
    EXPECT_GE(match, 0.99) << "shift " << shift;
    EXPECT_GE(shift, 1);
}

TEST_F(SaverProgramTest, DrawsIntoTheWindowItIsGivenFollowsItsSizeAndEndsWithIt) {
    // xscreensaver names its window in the environment and runs "quelm --root".
    const XWindow gone = session.CreateWindow({0, 0, 10, 10});
    session.DestroyWindow(gone);
    QProcessEnvironment environment = Environment();
    environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"), Hex(gone));
    TestProgram& nowhere = StartSaver({QStringLiteral("--root")}, environment);
    ASSERT_TRUE(nowhere.Finished(kPatienceMs));
    EXPECT_EQ(nowhere.ExitCode(), 1);
    EXPECT_TRUE(
        nowhere.ErrorOutput().contains(QStringLiteral("there is no X window ") + Hex(gone)));

    // Its settings' preview adds --window-id, which wins over the environment.
    const XWindow window = session.CreateWindow({100, 80, 640, 400});
    TestProgram& saver = StartSaver(
        {QStringLiteral("--root"), QStringLiteral("--window-id"), Hex(window)}, environment);
    ASSERT_TRUE(MapShownIn(window)) << saver.ErrorOutput().toStdString();
    EXPECT_EQ(session.MappedChildren(window), std::vector<QRect>{QRect(0, 0, 640, 400)});
    EXPECT_FALSE(session.FindTopLevel({kScreenWidth, kScreenHeight}));

    session.ResizeWindow(window, 500, 300);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return session.MappedChildren(window) == std::vector<QRect>{{0, 0, 500, 300}};
        },
        kPatienceMs));
    EXPECT_TRUE(MapShownIn(window));

    session.DestroyWindow(window);
    ASSERT_TRUE(saver.Finished(kPatienceMs));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.ErrorOutput().toStdString();
}

// Full screen, the saver ends on the user's first key or click.
TEST_F(SaverProgramTest, RootFillsTheScreenAndEndsOnAKeyOrAClick) {
    for (const QString& input : {QStringLiteral("Left"), QStringLiteral("click")}) {
        TestProgram& saver = StartSaver({QStringLiteral("-root")}, Environment());
        std::optional<XWindow> window;
        ASSERT_TRUE(WaitUntil(
            [&] {
                return (window = session.FindTopLevel({kScreenWidth, kScreenHeight})).has_value();
            },
            kPatienceMs))
            << saver.ErrorOutput().toStdString();
        ASSERT_TRUE(MapShownIn(0)) << input.toStdString();
        EXPECT_FALSE(saver.Finished(0));

        if (input == "click") {
            // Where the pointer already is: the click alone, with no move before it.
            ASSERT_TRUE(session.Click(*window, QRect(0, 0, kScreenWidth, kScreenHeight).center()));
        } else {
            ASSERT_TRUE(session.SendKey(*window, input));
        }
        ASSERT_TRUE(saver.Finished(kPatienceMs)) << input.toStdString();
        EXPECT_EQ(saver.ExitCode(), 0) << saver.ErrorOutput().toStdString();
    }
}

TEST(SaverCommandLineTest, HelpUsageErrorsAndAMissingDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
    const QString program = QStringLiteral(QUELM_SAVER_PROGRAM);

    TestProgram help(program, {QStringLiteral("--help")}, environment);
    ASSERT_TRUE(help.Finished(60000));
    EXPECT_EQ(help.ExitCode(), 0);
    EXPECT_TRUE(help.Output().startsWith(QStringLiteral("Usage: quelm")));

    TestProgram wrong(program, {QStringLiteral("-root"), QStringLiteral("-fast")}, environment);
    ASSERT_TRUE(wrong.Finished(60000));
    EXPECT_EQ(wrong.ExitCode(), 2);
    EXPECT_TRUE(wrong.ErrorOutput().startsWith(QStringLiteral("quelm: unknown option \"-fast\"")));

    TestProgram blind(program, {QStringLiteral("-root")}, environment);
    ASSERT_TRUE(blind.Finished(60000));
    EXPECT_EQ(blind.ExitCode(), 1);
    EXPECT_TRUE(blind.ErrorOutput().contains(QStringLiteral("no display")));
}

}  // namespace
