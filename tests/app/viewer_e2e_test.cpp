#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "testsupport.h"
#include "xsession.h"

namespace {

// A short history on the revised map: Germany changes hands and its army grows.
void WriteHistory(const QString& path) {
    const char* const owners[] = {"Germans", "Russians", "British"};
    QString text = "TrevoConvert\n";
    for (int frame = 0; frame < 3; ++frame) {
        text += QString("Caption:Round %1 - %2 Combat Move\n-\nPlayer:%2\n-\n-\n-\n")
                    .arg(frame + 1)
                    .arg(owners[frame]);
        for (const char* territory : {"Germany", "Poland", "Western Europe"}) {
            text += QString("%1\nOwner:%2\n").arg(territory).arg(owners[frame]);
            for (int unit = 0; unit <= frame * 3; ++unit) text += QString("infantry\n%1\n").arg(owners[frame]);
            text += "End Territory\n";
        }
        text += "End Frame\n";
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// How many different colours the window's area shows: a map has hundreds, the
// invalid-configuration picture a handful.
int ColourCount(const QImage& screen, const QRect& area) {
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); y += 3) {
        for (int x = area.left(); x <= area.right(); x += 3) colours.insert(screen.pixel(x, y));
    }
    return colours.size();
}

TEST(ViewerEndToEnd, ShowsTheRevisedMapAndStepsToTheNextTurn) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    const QString missing = XSession::MissingTools();
    if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString();
    const QString root = QString::fromStdString(triplea);

    QTemporaryDir home;
    QDir().mkpath(home.filePath("config/Ostrevan"));
    QDir().mkpath(home.filePath("system/Ostrevan"));
    QDir().mkpath(home.filePath("data/Ostrevan/Quelm"));
    {
        QSettings user(home.filePath("config/Ostrevan/Quelm.conf"), QSettings::IniFormat);
        user.setValue("game_config", root + "/games/revised.xml");
        user.setValue("maps_directory", root + "/maps/revised");
        user.setValue("images_directory", root + "/images");
        QSettings machine(home.filePath("system/Ostrevan/Quelm.conf"), QSettings::IniFormat);
        machine.setValue("InstallationDirectory", home.path());
    }
    WriteHistory(home.filePath("data/Ostrevan/Quelm/Trevo.txt"));

    XSession session;
    ASSERT_TRUE(session.Started()) << "Xvfb did not start";
    session.Start(
        QStringLiteral(QUELM_VIEW_PROGRAM), {},
        {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.filePath("config"),
         "XDG_CONFIG_DIRS=" + home.filePath("system"), "XDG_DATA_HOME=" + home.filePath("data")});
    const QString window = session.WaitForWindow("Quelm Renderer", 30000);
    ASSERT_FALSE(window.isEmpty()) << "the viewer's window did not appear";

    // The viewer opens on the last turn: step back one, then forward again.
    ASSERT_TRUE(session.SendKey(window, "Left"));
    QThread::msleep(1500);
    const QImage before = session.Screenshot();
    ASSERT_TRUE(session.SendKey(window, "Right"));
    QThread::msleep(1500);
    const QImage after = session.Screenshot();
    ASSERT_FALSE(before.isNull());
    ASSERT_FALSE(after.isNull());
    before.save(QDir::temp().filePath("quelm-view-before.png"));
    after.save(QDir::temp().filePath("quelm-view-after.png"));

    // The window lies at (100, 100) and is 500 x 500 pixels; without a window manager it
    // keeps that place.
    const QRect area(100, 100, 500, 500);
    EXPECT_GT(ColourCount(before, area), 60);
    EXPECT_GT(ColourCount(after, area), 60);
    EXPECT_NE(before.copy(area), after.copy(area));
}

}  // namespace
