// OK in the configuration dialog with the import checked: the program waits for the
// converter, shows why it failed, and hands the imported game to the renderer.
#include <QCheckBox>
#include <QElapsedTimer>
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
#include "convertersupport.h"
#include "recordingmessages.h"
#include "settings/settingsstore.h"
#include "standinconverter.h"
#include "temporarystore.h"

namespace fs = std::filesystem;

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

    // Fills the dialog's fields, checks the import box and presses OK; whileRunning is called
    // with the dialog just before.
    void ConfirmImport(const Fields& fields,
                       const std::function<void(QDialog&)>& whileRunning = nullptr) {
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
        if (whileRunning) whileRunning(dialog);
        Control<QPushButton>(dialog, 1)->click();
    }

    std::string StandIn(const std::string& body) {
        return WriteStandInConverter(store->folder, "java", body);
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
    }

    void cleanup() {
        ReleaseRenderer();
        store.reset();
    }

    void failingConverterIsReportedAndTheOldHistoryDeleted() {
        store->folder.Write("data/Ostrevan/Quelm/Trevo.txt", "TrevoConvert\nold history\n");
        const std::string java = StandIn(
            "echo 'INFO: starting' >&2\necho 'TextGameConverter: x.tsvg is damaged' >&2\nexit 1");
        ConfirmImport({java, "/TA/triplea.jar", store->folder.File("x.tsvg")});
        QCOMPARE(
            ImportMessages(),
            std::vector<std::string>{
                "The saved game could not be imported:\nTextGameConverter: x.tsvg is damaged"});
        QVERIFY(!fs::exists(output));
        QCOMPARE(settings.save,
                 store->folder.File("x.tsvg"));  // the settings are kept all the same
    }

    // The Cancel button, and Escape in the progress window.
    void cancelStopsTheConverterWithoutAMessage_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelStopsTheConverterWithoutAMessage() {
        QFETCH(bool, escape);
        store->folder.Write("data/Ostrevan/Quelm/Trevo.txt", "TrevoConvert\nold history\n");
        const std::string java = StandIn("exec sleep 600");
        bool sawProgress = false;
        QElapsedTimer clock;
        clock.start();
        ConfirmImport({java, "/TA/triplea.jar", store->folder.File("x.tsvg")},
                      [&sawProgress, escape](QDialog& dialog) {
                          // Looks for the progress window until it shows and has the
                          // keyboard, as a user would find it.
                          auto* look = new QTimer(&dialog);
                          look->setInterval(50);
                          QObject::connect(look, &QTimer::timeout, &dialog, [&, escape, look] {
                              auto* progress =
                                  dialog.findChild<QProgressDialog*>("converterProgress");
                              if (!progress || !progress->isActiveWindow()) return;
                              auto* cancel = progress->findChild<QPushButton*>();
                              if (!cancel || cancel->text() != "Cancel") return;
                              look->stop();
                              sawProgress = true;
                              if (escape) {
                                  QTest::keyClick(progress, Qt::Key_Escape);
                              } else {
                                  cancel->click();
                              }
                          });
                          look->start();
                      });
        QVERIFY(sawProgress);
        QVERIFY(clock.elapsed() < 300000);  // long before the converter would have ended
        QVERIFY(ImportMessages().empty());
        QVERIFY(!fs::exists(output));
    }

    void converterTakingTooLongIsStoppedAndReported() {
        settings.java_runtime = StandIn("exec sleep 30");
        settings.save = store->folder.File("x.tsvg");
        ImportSaveGame(nullptr, settings, true, messages, 500);
        QCOMPARE(ImportMessages(),
                 std::vector<std::string>{"The saved game could not be imported:\nthe converter "
                                          "was stopped after 1 second without finishing"});
    }

    void realSaveIsShownRightAfterOk() {
        const ConverterFiles files = FindConverterFiles();
        if (!files.complete) QSKIP("converter not built or shared TripleA 1.9 files absent");
        MakeInstallationFolder(files, store->folder);
        QWidget window;
        InitialiseRenderer(&window, nullptr);
        QVERIFY(Application().renderer);
        ConfirmImport({files.java, files.jar, files.save, files.gameFile, files.mapFolder + "/map",
                       "/usr/share/games/triplea/assets"});
        QVERIFY2(messages.shown.empty(),
                 messages.shown.empty() ? "" : messages.shown.front().first.c_str());
        ApplySettingsToRenderer(&window);
        Ref<GameLoader> loader;
        Application().renderer->GetGameLoader(loader.Receive());
        QCOMPARE(loader->GetFrameCount(nullptr), 60);
        std::string caption;
        QVERIFY(loader->GetFrameCaption(59, caption));
        QCOMPARE(caption, std::string("Round 3 - Purchase Units"));
    }

    void damagedRealSaveIsReportedWithTheConvertersReason() {
        const ConverterFiles files = FindConverterFiles();
        if (!files.complete) QSKIP("converter not built or shared TripleA 1.9 files absent");
        MakeInstallationFolder(files, store->folder);
        QFile whole(QString::fromStdString(files.save));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        const std::string damaged =
            store->folder.Write("damaged.tsvg", bytes.left(bytes.size() / 2).toStdString());
        ConfirmImport({files.java, files.jar, damaged});
        const std::vector<std::string> reported = ImportMessages();
        QCOMPARE(reported.size(), std::size_t{1});
        QVERIFY2(reported.front().find("TextGameConverter: " + damaged + " is damaged") !=
                     std::string::npos,
                 reported.front().c_str());
        QVERIFY(!fs::exists(output));
    }
};

QTEST_MAIN(SaveImportTest)
#include "saveimport_test.moc"
