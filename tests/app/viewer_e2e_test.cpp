#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

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
            for (int unit = 0; unit <= frame * 3; ++unit)
                text += QString("infantry\n%1\n").arg(owners[frame]);
            text += "End Territory\n";
        }
        text += "End Frame\n";
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// How many different colours the picture shows: a map has hundreds, the invalid-configuration
// picture a handful.
int ColourCount(const QImage& picture) {
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, y));
    }
    return colours.size();
}

// How long to wait for the viewer to do something before calling it a failure.
constexpr int kPatienceMs = 60000;

TEST(ViewerEndToEnd, ShowsTheRevisedMapStepsThroughTheTurnsAndCentresOnAClick) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    const QString missing = XSession::MissingServer();
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
    ASSERT_TRUE(session.Started()) << session.Error().toStdString();
    QProcessEnvironment environment = session.Environment();
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_CONFIG_DIRS", home.filePath("system"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    TestProgram& viewer = session.Start(QStringLiteral(QUELM_VIEW_PROGRAM), {}, environment);
    ASSERT_TRUE(viewer.Started());
    const XWindow window = session.WaitForWindow("Quelm Renderer", kPatienceMs);
    ASSERT_NE(window, 0u) << "the viewer's window did not appear\n"
                          << viewer.ErrorOutput().toStdString();

    // Each command shows a new picture of the map; waited for, since the viewer paints in
    // its own time.
    QImage shown;
    auto nextPicture = [&](const QImage& previous) {
        return WaitUntil(
            [&] {
                shown = session.Grab(window);
                return !shown.isNull() && shown != previous && ColourCount(shown) > 60;
            },
            kPatienceMs);
    };
    ASSERT_TRUE(nextPicture(QImage())) << "the map did not appear";
    const QImage last = shown;

    // The viewer opens on the last turn: step back one, then forward again.
    ASSERT_TRUE(session.SendKey(window, "Left"));
    ASSERT_TRUE(nextPicture(last)) << "Left showed no other turn";
    const QImage before = shown;
    ASSERT_TRUE(session.SendKey(window, "Right"));
    ASSERT_TRUE(nextPicture(before)) << "Right showed no other turn";
    const QImage after = shown;
    // The two turns as the viewer showed them are kept for a look only when the test fails.
    struct KeepPicturesOnFailure {
        const QImage& before;
        const QImage& after;
        ~KeepPicturesOnFailure() {
            if (!::testing::Test::HasFailure()) return;
            before.save(QDir::temp().filePath("quelm-view-before.png"));
            after.save(QDir::temp().filePath("quelm-view-after.png"));
        }
    } keep{before, after};

    // A click right of the middle brings that point to the middle: the map moves left.
    const QRect area = session.Geometry(window);
    ASSERT_TRUE(session.Click(window, {area.width() * 3 / 4, area.height() / 2}));
    ASSERT_TRUE(nextPicture(after)) << "the click did not move the map";
}

}  // namespace
