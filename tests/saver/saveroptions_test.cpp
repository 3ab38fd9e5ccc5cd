#include "saver/saveroptions.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QStringList arguments;
    QString xscreensaverWindow;
    SaverMode mode;
    std::uint32_t windowId;
};

struct Refused {
    QStringList arguments;
    QString xscreensaverWindow;
    const char* errorPart;
};

TEST(SaverOptionsTest, ModesAsTheHostsGiveThem) {
    const std::vector<Case> cases = {
        {{}, "", SaverMode::Window, 0},
        {{"-window"}, "", SaverMode::Window, 0},
        {{"--window"}, "0x400006", SaverMode::Window, 0},  // a window of its own all the same
        {{"-root"}, "", SaverMode::FullScreen, 0},
        {{"-s"}, "", SaverMode::FullScreen, 0},
        // xscreensaver runs "quelm --root" with the window in the environment ...
        {{"--root"}, "0x400006", SaverMode::Embedded, 0x400006},
        {{}, "4194310", SaverMode::Embedded, 4194310},
        // ... and its settings' preview adds --window-id, which wins.
        {{"--root", "--window-id", "0x2a00003"}, "0x400006", SaverMode::Embedded, 0x2a00003},
        {{"-window-id", "123"}, "", SaverMode::Embedded, 123},
        {{"--window-id=0x10"}, "", SaverMode::Embedded, 16},
        {{"-c"}, "0x400006", SaverMode::Configure, 0},
        {{"-root", "--help"}, "", SaverMode::Help, 0},
        {{"-h"}, "", SaverMode::Help, 0},
    };
    for (const Case& c : cases) {
        SaverOptions options;
        QString error;
        ASSERT_TRUE(ParseSaverCommandLine(c.arguments, c.xscreensaverWindow, options, error))
            << c.arguments.join(' ').toStdString() << ": " << error.toStdString();
        EXPECT_EQ(options.mode, c.mode) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(options.windowId, c.windowId) << c.arguments.join(' ').toStdString();
    }
}

TEST(SaverOptionsTest, NonsenseIsRefusedWithAReason) {
    const std::vector<Refused> cases = {
        {{"-x"}, "", "unknown option \"-x\""},
        {{"picture.png"}, "", "unexpected argument \"picture.png\""},
        {{"-window", "-root"}, "", "only one of"},
        {{"-c", "-s"}, "", "only one of"},
        {{"-window-id"}, "", "-window-id needs the id of a window"},
        {{"-window-id", "zero"}, "", "\"zero\" is not the id of a window"},
        {{"-window-id", "0"}, "", "\"0\" is not the id of a window"},
        {{"-window-id", "0x100000000"}, "", "is not the id of a window"},
        {{"-window-id", "-5"}, "", "is not the id of a window"},
        {{"-window", "-window-id", "7"}, "", "goes with -root only"},
        {{"-root"}, "garbage", "XSCREENSAVER_WINDOW=\"garbage\" is not the id of a window"},
    };
    for (const Refused& c : cases) {
        SaverOptions options;
        QString error;
        EXPECT_FALSE(ParseSaverCommandLine(c.arguments, c.xscreensaverWindow, options, error))
            << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.errorPart)))
            << c.arguments.join(' ').toStdString() << ": " << error.toStdString();
    }
}

}  // namespace
