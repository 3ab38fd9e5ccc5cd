// OK in the configuration dialog with the import checked: Quelm's own reader writes the
// history at once, TripleA's Java converter stands by for saves the reader does not know,
// failures say which reader failed and why, and no other game's history stays behind.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "dialogcontrols.h"

#include <filesystem>
#include <memory>

#include "app/configurationdialog.h"
#include "app/saveimport.h"
#include "app/startup.h"
#include "recordingmessages.h"
#include "settings/settingsstore.h"
#include "standinconverter.h"
#include "temporarystore.h"

namespace fs = std::filesystem;

namespace {

const char* const kOldHistory = "TrevoConvert\nold history\n";
const char* const kFailure = "The saved game could not be imported:\n";

// Readers in place of Quelm's: one that meets a save of a TripleA it does not know, and one
// that reads every save as a short history.
bool UnsupportedReader(const std::string& path, std::string&, SavedGameError& error) {
    error = {SavedGameProblem::kUnsupported, path + " holds the unknown class games.Future"};
    return false;
}

bool SoundReader(const std::string&, std::string& text, SavedGameError&) {
    text = "TrevoConvert\nread\n";
    return true;
}

// The real saves of the shared TripleA files (QUELM_SHARED_DIR), or "" when absent.
std::string SharedSave(const std::string& name) {
    const std::string triplea = SharedTripleAFolder();
    return triplea.empty() ? std::string() : fs::path(triplea).parent_path().string() + "/" + name;
}

std::string ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace

class SaveImportTest : public QObject {
    Q_OBJECT

private:
    // What the import reported, leaving out the configuration check's messages.
    std::vector<std::string> ImportMessages() const {
        std::vector<std::string> texts;
        for (const auto& [text, caption] : messages.shown) {
            if (caption == "Import TripleA Savegame") texts.push_back(text);
        }
        return texts;
    }

    struct Fields {
        std::string java, jar, save;
        std::string game = {}, maps = {}, images = {};
    };

    // Fills the dialog's fields, checks the import box and presses OK.
    void ConfirmImport(const Fields& fields) {
        ConfigurationDialog dialog(versions, messages);
        auto* importBox = Control<QCheckBox>(dialog, 1035);
        if (!importBox->isChecked()) importBox->click();
        Control<QLineEdit>(dialog, 1026)->setText(QString::fromStdString(fields.save));
        Control<QLineEdit>(dialog, 1030)->setText(QString::fromStdString(fields.java));
        Control<QLineEdit>(dialog, 1033)->setText(QString::fromStdString(fields.jar));
        if (!fields.game.empty()) {
            Control<QLineEdit>(dialog, 1003)->setText(QString::fromStdString(fields.game));
            Control<QLineEdit>(dialog, 1000)->setText(QString::fromStdString(fields.maps));
            Control<QLineEdit>(dialog, 1006)->setText(QString::fromStdString(fields.images));
        }
        Control<QPushButton>(dialog, 1)->click();
    }

    std::string StandIn(const std::string& body) {
        return WriteStandInConverter(store->folder, "java", body);
    }

    // Java fields that would run the stand-in converter with body.
    void ConfigureJava(const std::string& body) {
        settings.java_runtime = StandIn(body);
        settings.triplea_jar = store->folder.Write("triplea.jar", "");
    }

    std::unique_ptr<TemporaryStore> store;
    Settings& settings = ProcessSettings();
    VersionList versions;
    RecordingMessages messages;
    std::string installation;
    std::string output;

private slots:
    void init() {
        store = std::make_unique<TemporaryStore>();
        settings = Settings();
        versions.clear();
        messages.shown.clear();
        installation = store->folder.MakeFolder("installation");
        output = store->HistoryFile();
        store->SetMachineValue("InstallationDirectory", installation);
        store->folder.Write("data/Ostrevan/Quelm/Trevo.txt", kOldHistory);
    }

    void cleanup() {
        ReleaseRenderer();
        store.reset();
    }

    // Real saves of TripleA 2.x and 1.9, with no Java named anywhere.
    void realSaveIsShownRightAfterOkWithoutJava_data() {
        QTest::addColumn<QString>("save");
        QTest::addColumn<int>("frames");       // 0: at least a few
        QTest::addColumn<QString>("caption");  // of the last frame, when known
        QTest::newRow("2.x") << "saves-2x/revised_during_casualty_selection.tsvg" << 0 << "";
        QTest::newRow("1.9") << "saves/ww2v2_hard_2rounds.tsvg" << 60 << "Round 3 - Purchase Units";
    }

    void realSaveIsShownRightAfterOkWithoutJava() {
        QFETCH(QString, save);
        QFETCH(int, frames);
        QFETCH(QString, caption);
        const std::string path = SharedSave(save.toStdString());
        const std::string map = SharedSave("downloadedMaps/world_war_ii_revised/map");
        if (path.empty() || !fs::exists(path) || !fs::exists(map + "/games/ww2v2.xml"))
            QSKIP("shared TripleA saves or map absent (set QUELM_SHARED)");
        QWidget window;
        InitialiseRenderer(&window, nullptr);
        QVERIFY(Application().renderer);
        ConfirmImport(
            {"", "", path, map + "/games/ww2v2.xml", map, "/usr/share/games/triplea/assets"});
        const std::vector<std::string> reported = ImportMessages();
        QVERIFY2(reported.empty(), reported.empty() ? "" : reported.front().c_str());
        QCOMPARE(ReadAll(output).substr(0, 13), std::string("TrevoConvert\n"));
        ApplySettingsToRenderer(&window);
        Ref<GameLoader> loader;
        Application().renderer->GetGameLoader(loader.Receive());
        const std::int32_t count = loader->GetFrameCount(nullptr);
        if (frames == 0) {
            QVERIFY2(count > 2, std::to_string(count).c_str());
        } else {
            QCOMPARE(count, frames);
        }
        if (!caption.isEmpty()) {
            std::string last;
            QVERIFY(loader->GetFrameCaption(count - 1, last));
            QCOMPARE(QString::fromStdString(last), caption);
        }
    }

    // Saves that are not sound: Quelm's reader says why, the old history goes, and Java,
    // though configured, is not run for them.
    void unreadableSaveIsReportedByQuelmsReader_data() {
        QTest::addColumn<QByteArray>("bytes");  // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not gzip") << QByteArray(3000, 'Z');
        QFile real(
            QString::fromStdString(SharedSave("saves-2x/revised_during_casualty_selection.tsvg")));
        if (real.open(QIODevice::ReadOnly)) {
            const QByteArray whole = real.readAll();
            QTest::newRow("half of a real save") << whole.left(whole.size() / 2);
        }
    }

    void unreadableSaveIsReportedByQuelmsReader() {
        QFETCH(QByteArray, bytes);
        const std::string save = bytes.isEmpty()
                                     ? store->folder.File("none.tsvg")
                                     : store->folder.Write("bad.tsvg", bytes.toStdString());
        ConfigureJava("printf 'TrevoConvert\\nfrom java\\n' > \"$5\"");
        ConfirmImport({settings.java_runtime, settings.triplea_jar, save});
        const std::vector<std::string> reported = ImportMessages();
        QCOMPARE(reported.size(), std::size_t{1});
        const std::string& text = reported.front();
        QVERIFY2(text.rfind(std::string(kFailure) + "Quelm's reader: ", 0) == 0, text.c_str());
        QVERIFY2(text.find(save) != std::string::npos, text.c_str());
        QVERIFY2(text.find("TripleA's converter") == std::string::npos, text.c_str());
        QVERIFY(!fs::exists(output));
    }

    // A save the reader does not know goes to the Java converter when Java can run it.
    void unsupportedSaveFallsBackToTheConverter_data() {
        QTest::addColumn<QString>("java");     // the stand-in's script; "" for no Java named
        QTest::addColumn<QString>("message");  // after the failure line; "" for none
        QTest::addColumn<QString>("history");  // in the output afterwards; "" for none
        const QString reader = "Quelm's reader: %1 holds the unknown class games.Future";
        QTest::newRow("converter writes") << "printf 'TrevoConvert\\nfrom java\\n' > \"$5\""
                                          << ""
                                          << "TrevoConvert\nfrom java\n";
        QTest::newRow("converter fails")
            << "echo 'INFO: starting' >&2\necho 'TextGameConverter: x.tsvg is damaged' >&2\nexit 1"
            << reader + "\nTripleA's converter: x.tsvg is damaged"
            << "";
        QTest::newRow("converter fails after writing")
            << "printf 'TrevoConvert\\n' > \"$5\"\nexit 3"
            << reader + "\nTripleA's converter: the converter ended with exit code 3"
            << "";
        QTest::newRow("no Java named") << "" << reader << "";
    }

    void unsupportedSaveFallsBackToTheConverter() {
        QFETCH(QString, java);
        QFETCH(QString, message);
        QFETCH(QString, history);
        if (!java.isEmpty()) ConfigureJava(java.toStdString());
        settings.save = store->folder.File("x.tsvg");
        ImportSaveGame(nullptr, settings, true, messages, ConverterRun::kTimeLimitMs,
                       UnsupportedReader);
        const std::vector<std::string> expected =
            message.isEmpty()
                ? std::vector<std::string>{}
                : std::vector<std::string>{
                      kFailure + message.arg(QString::fromStdString(settings.save)).toStdString()};
        QCOMPARE(ImportMessages(), expected);
        QCOMPARE(ReadAll(output), history.toStdString());
    }

    // The Cancel button, and Escape in the progress window.
    void cancelStopsTheConverterWithoutAMessage_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelStopsTheConverterWithoutAMessage() {
        QFETCH(bool, escape);
        ConfigureJava("exec sleep 600");
        settings.save = store->folder.File("x.tsvg");
        QWidget window;
        window.show();
        bool sawProgress = false;
        // Looks for the progress window until it shows and has the keyboard, as a user
        // would find it.
        QTimer look;
        look.setInterval(50);
        QObject::connect(&look, &QTimer::timeout, &window, [&] {
            auto* progress = window.findChild<QProgressDialog*>("converterProgress");
            if (!progress || !progress->isActiveWindow()) return;
            auto* cancel = progress->findChild<QPushButton*>();
            if (!cancel || cancel->text() != "Cancel") return;
            look.stop();
            sawProgress = true;
            if (escape) {
                QTest::keyClick(progress, Qt::Key_Escape);
            } else {
                cancel->click();
            }
        });
        look.start();
        QElapsedTimer clock;
        clock.start();
        ImportSaveGame(&window, settings, true, messages, ConverterRun::kTimeLimitMs,
                       UnsupportedReader);
        QVERIFY(sawProgress);
        QVERIFY(clock.elapsed() < 300000);  // long before the converter would have ended
        QVERIFY(ImportMessages().empty());
        QVERIFY(!fs::exists(output));
    }

    void converterTakingTooLongIsStoppedAndReported() {
        ConfigureJava("exec sleep 30");
        settings.save = store->folder.File("x.tsvg");
        ImportSaveGame(nullptr, settings, true, messages, 500, UnsupportedReader);
        const std::vector<std::string> reported = ImportMessages();
        QCOMPARE(reported.size(), std::size_t{1});
        QVERIFY2(reported.front().find("\nTripleA's converter: the converter was stopped after 1 "
                                       "second without finishing") != std::string::npos,
                 reported.front().c_str());
        QVERIFY(!fs::exists(output));
    }

    // The history is read but has nowhere to go: the data folder's place holds a file.
    void historyThatCannotBeWrittenIsReported() {
        fs::remove_all(store->folder.File("data/Ostrevan"));
        store->folder.Write("data/Ostrevan", "a file where the folder belongs");
        settings.save = store->folder.File("x.tsvg");
        ImportSaveGame(nullptr, settings, true, messages, ConverterRun::kTimeLimitMs, SoundReader);
        QCOMPARE(ImportMessages(), std::vector<std::string>{std::string(kFailure) +
                                                            "cannot make the folder of " + output});
    }
};

QTEST_MAIN(SaveImportTest)
#include "saveimport_test.moc"
