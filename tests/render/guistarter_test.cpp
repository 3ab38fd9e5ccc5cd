#include <gtest/gtest.h>

#include <QGuiApplication>

#include "platform/guistarter.h"

namespace {

TEST(GuiStarterTest, TheLastStartedStarterEndsTheApplicationItMade) {
    // Alone in its process (as ctest runs it) no application exists beforehand; run with
    // the other tests one may, and then it must survive the starters.
    QCoreApplication* before = QCoreApplication::instance();
    {
        GuiStarter unstarted(false);
        EXPECT_FALSE(unstarted.Started());
        EXPECT_EQ(QCoreApplication::instance(), before);
        GuiStarter first(true);
        ASSERT_NE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);
        QCoreApplication* made = QCoreApplication::instance();
        {
            GuiStarter second(true);
            EXPECT_EQ(QCoreApplication::instance(), made);
        }
        EXPECT_EQ(QCoreApplication::instance(), made);
    }
    EXPECT_EQ(QCoreApplication::instance(), before);
}

}  // namespace
