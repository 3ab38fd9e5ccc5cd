#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "dialogcontrols.h"

#include "app/configurationdialog.h"
#include "recordingmessages.h"
#include "settings/settingsstore.h"

// Each test starts from an empty store and a home folder of its own.
class ConfigurationDialogTest : public QObject {
    Q_OBJECT

private:
    QString Home() const { return home->path(); }

    std::unique_ptr<QTemporaryDir> home;
    Settings& settings = ProcessSettings();
    VersionList versions;
    RecordingMessages messages;

private slots:
    void init() {
        home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", Home().toUtf8());
        qputenv("XDG_CONFIG_HOME", (Home() + "/.config").toUtf8());
        QDir(Home()).mkpath("TripleA/triplea_0_8_2_1");
        settings = Settings();
        versions.clear();
        messages.shown.clear();
    }

    void opensWithTheDefaultsWhenNothingIsStored() {
        ConfigurationDialog dialog(versions, messages);
        QCOMPARE(dialog.windowTitle(), QString("TripleA Configuration (Press F1 for help)"));
        auto* list = Control<QComboBox>(dialog, 1015);
        QStringList names;
        for (int i = 0; i < list->count(); ++i) names << list->itemText(i);
        QCOMPARE(names, QStringList({"Triplea_0_6_0", "Triplea_0_6_0_1", "Triplea_0_7_3",
                                     "triplea_0_8_2_1"}));
        QCOMPARE(list->currentIndex(), 3);
        QVERIFY(Control<QRadioButton>(dialog, 1016)->isChecked());
        QCOMPARE(Control<QSlider>(dialog, 1009)->value(), 34);
        QVERIFY(Control<QCheckBox>(dialog, 1036)->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, 1013)->isChecked());
        QVERIFY(!Control<QCheckBox>(dialog, 1011)->isChecked());
        QVERIFY(!Control<QCheckBox>(dialog, 1012)->isChecked());
        QCOMPARE(Control<QLineEdit>(dialog, 1038)->text(), QString("2"));
        QCOMPARE(Control<QLineEdit>(dialog, 1040)->text(), QString("10"));
        QCOMPARE(Control<QLineEdit>(dialog, 1023)->text(), Home() + "/TripleA");
        for (int id : {1026, 1030, 1033}) QVERIFY(!Control<QLineEdit>(dialog, id)->isEnabled());
        for (int id : {1027, 1031, 1034}) QVERIFY(!Control<QPushButton>(dialog, id)->isEnabled());
    }

    void uncheckingTheImportEmptiesTheSaveFieldAtOnce() {
        settings.do_file_import = true;
        settings.save = "/games/war.tsvg";
        SaveSettings();
        ConfigurationDialog dialog(versions, messages);
        auto* save = Control<QLineEdit>(dialog, 1026);
        QCOMPARE(save->text(), QString("/games/war.tsvg"));
        QVERIFY(save->isEnabled());
        Control<QCheckBox>(dialog, 1035)->click();
        QCOMPARE(save->text(), QString());
        QCOMPARE(settings.save, std::string());
        QVERIFY(!save->isEnabled());
        Control<QCheckBox>(dialog, 1035)->click();
        QCOMPARE(save->text(), QString());
        QVERIFY(save->isEnabled());
    }

    void okReadsDelaysLikeAtoiAndSavesWhateverValidationFinds() {
        ConfigurationDialog dialog(versions, messages);
        Control<QLineEdit>(dialog, 1038)->setText("abc");
        Control<QLineEdit>(dialog, 1040)->setText("3 seconds");
        Control<QSlider>(dialog, 1009)->setValue(55);
        Control<QCheckBox>(dialog, 1011)->setChecked(true);
        Control<QPushButton>(dialog, 1)->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(settings.previous_delay, 0);
        QCOMPARE(settings.current_delay, 3);
        QVERIFY(!messages.shown.empty());  // the default paths do not exist here
        Settings stored;
        Settings lastStored;
        LoadSettings(stored, lastStored);
        QCOMPARE(stored.previous_delay, 0);
        QCOMPARE(stored.current_delay, 3);
        QCOMPARE(stored.zoom_factor, 55);
        QVERIFY(stored.region_labels);
    }

    // A path the store cannot keep is refused before anything is saved or imported; the
    // dialog stays open on the field. The limit counts characters, also those outside the
    // Basic Multilingual Plane, which take two UTF-16 units each.
    void okRefusesAPathLongerThanTheStoreKeeps_data() {
        QTest::addColumn<QString>("letter");
        QTest::newRow("Cyrillic") << QString(QChar(0x0414));
        QTest::newRow("U+1F600") << QString::fromUtf8("\xf0\x9f\x98\x80");
    }

    void okRefusesAPathLongerThanTheStoreKeeps() {
        QFETCH(QString, letter);
        ConfigurationDialog dialog(versions, messages);
        Control<QLineEdit>(dialog, 1006)->setText(letter.repeated(257));
        Control<QSlider>(dialog, 1009)->setValue(55);
        Control<QPushButton>(dialog, 1)->click();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY2(messages.shown[0].first.find(
                     "\"TripleA Images Directory\" holds 257 characters") != std::string::npos,
                 messages.shown[0].first.c_str());
        QCOMPARE(settings.zoom_factor, 34);
        QVERIFY(!QFile::exists(Home() + "/.config/Ostrevan/Quelm.conf"));

        messages.shown.clear();
        Control<QLineEdit>(dialog, 1006)->setText(letter.repeated(256));
        Control<QPushButton>(dialog, 1)->click();
        QCOMPARE(dialog.result(), 1);
        Settings stored;
        Settings lastStored;
        LoadSettings(stored, lastStored);
        QCOMPARE(QString::fromStdString(stored.images_directory), letter.repeated(256));
    }

    // A folder named in Latin-1 goes through the field and the store with its bytes.
    void pathsThatAreNotUtf8KeepTheirBytes() {
        settings.maps_directory = "/TripleA/Sp\xe9l/maps/revised";
        SaveSettings();
        settings = Settings();
        ConfigurationDialog dialog(versions, messages);
        Control<QLineEdit>(dialog, 1000)->end(false);  // looked at, not changed
        Control<QPushButton>(dialog, 1)->click();
        QCOMPARE(settings.maps_directory, std::string("/TripleA/Sp\xe9l/maps/revised"));
        Settings stored;
        Settings lastStored;
        LoadSettings(stored, lastStored);
        QCOMPARE(stored.maps_directory, std::string("/TripleA/Sp\xe9l/maps/revised"));
    }

    void okSaysWhichFileCouldNotBeSavedAndWhy() {
        QDir(Home()).mkpath(".config/Ostrevan/Quelm.conf");  // a folder where the file goes
        ConfigurationDialog dialog(versions, messages);
        Control<QSlider>(dialog, 1009)->setValue(55);
        Control<QPushButton>(dialog, 1)->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(messages.shown.back().second, std::string("Settings Not Saved"));
        QCOMPARE(QString::fromStdString(messages.shown.back().first),
                 "The settings could not be saved to " + Home() +
                     "/.config/Ostrevan/Quelm.conf: it is a folder, not a file.");
    }

    void cancelAfterApplyDefaultsKeepsRootVersionAndJavaRuntime() {
        const std::string mapsBefore = settings.maps_directory;
        ConfigurationDialog dialog(versions, messages);
        Control<QLineEdit>(dialog, 1023)->setText("/TA");
        Control<QComboBox>(dialog, 1015)->setCurrentIndex(2);
        Control<QRadioButton>(dialog, 1022)->setChecked(true);
        Control<QPushButton>(dialog, 3)->click();
        QCOMPARE(Control<QLineEdit>(dialog, 1003)->text(),
                 QString("/TA/triplea_0_7_3/games/Big_World_1942.xml"));
        QCOMPARE(Control<QLineEdit>(dialog, 1030)->text(), QString("/usr/bin/java"));
        Control<QPushButton>(dialog, 2)->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(settings.base, std::string("/TA"));
        QCOMPARE(settings.version, 2);
        QCOMPARE(settings.java_runtime, std::string("/usr/bin/java"));
        QCOMPARE(settings.maps_directory, mapsBefore);
        QVERIFY(messages.shown.empty());
    }

    void touchingTheVersionListAppliesThePresets() {
        ConfigurationDialog dialog(versions, messages);
        dialog.show();
        auto* maps = Control<QLineEdit>(dialog, 1000);
        maps->setText("typed by hand");
        auto* list = Control<QComboBox>(dialog, 1015);
        QTest::mouseClick(list, Qt::LeftButton);  // opens the list without choosing anything
        list->hidePopup();
        QCOMPARE(maps->text(), Home() + "/TripleA/triplea_0_8_2_1/maps/revised");
        maps->setText("typed by hand");
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        maps->setFocus();
        list->setFocus();  // only reaching it with the keyboard
        QCOMPARE(maps->text(), Home() + "/TripleA/triplea_0_8_2_1/maps/revised");
    }
};

QTEST_MAIN(ConfigurationDialogTest)
#include "configurationdialog_test.moc"
