#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "testsupport.h"

namespace {

const QString kSmall = QStringLiteral(QUELM_TEST_DATA_DIR "/render/small");

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
    std::string errBytes;
};

// Runs the real quelm_render with an empty settings store of its own.
class QuelmRenderTest : public ::testing::Test {
protected:
    ProgramRun Render(const QStringList& arguments, const QString& configHome = QString(),
                      const QString& dataHome = QString()) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", configHome.isEmpty() ? store.path() : configHome);
        environment.insert("XDG_CONFIG_DIRS", store.path() + "/system");
        environment.insert("XDG_DATA_HOME", dataHome.isEmpty() ? store.path() + "/data" : dataHome);
        environment.insert("HOME", store.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (!programPath.isEmpty()) environment.insert("PATH", programPath);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUELM_RENDER_PROGRAM), arguments);
        EXPECT_TRUE(process.waitForFinished(120000)) << "quelm_render did not finish";
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError()),
                {}};
    }
    static QString Expected(const QString& name) {
        QFile file(kSmall + "/" + name);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
    static QByteArray Digest(const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    // Runs quelm_render with arguments as bytes: QProcess would pass them as UTF-8. Only
    // the standard error is kept. temporary is its TMPDIR, TemporaryFolder() when empty.
    ProgramRun RenderBytes(const std::vector<std::string>& arguments, std::string temporary = {}) {
        if (temporary.empty()) temporary = TemporaryFolder();
        std::vector<std::string> words = {QUELM_RENDER_PROGRAM};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<std::string> variables = {"XDG_CONFIG_HOME=" + store.path().toStdString(),
                                              "XDG_CONFIG_DIRS=" + store.path().toStdString(),
                                              "QT_QPA_PLATFORM=offscreen",
                                              "HOME=" + store.path().toStdString(),
                                              "PATH=" + qEnvironmentVariable("PATH").toStdString(),
                                              "TMPDIR=" + temporary};
        std::filesystem::create_directories(temporary);
        std::vector<char*> environment;
        for (std::string& variable : variables) environment.push_back(variable.data());
        environment.push_back(nullptr);
        const std::string errors = out.path().toStdString() + "/stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data());
        posix_spawn_file_actions_destroy(&actions);
        ProgramRun run;
        int status = 0;
        if (spawned != 0 || waitpid(child, &status, 0) != child) return run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        QFile file(QString::fromStdString(errors));
        if (file.open(QIODevice::ReadOnly)) run.errBytes = file.readAll().toStdString();
        return run;
    }

    // The temporary folder of the runs of RenderBytes.
    std::string TemporaryFolder() const { return out.path().toStdString() + "/tmp"; }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir store;
    QTemporaryDir out;
    QString programPath;  // the PATH quelm_render looks for ffmpeg in, when set
};

TEST_F(QuelmRenderTest, UsageErrorsExitWithTwo) {
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"--out", out.path(), "--format", "gif"},
          QStringList{"--out", out.path(), "--size", "big"},
          QStringList{"--out", out.path(), "--frames", "5-2"},
          QStringList{"--out", out.path(), "--jobs", "0"}, QStringList{"--dump-map", "extra"},
          QStringList{"--no-such-option"},
          QStringList{"--out", out.path(), "--labels", "--no-labels"},
          QStringList{"--out", out.path(), "--relief", "--no-relief"},
          QStringList{"--out", out.path(), "--save", "a.tsvg", "--history", "a.txt"},
          QStringList{"--out", out.path(), "--converter"},
          QStringList{"--out", out.path(), "--save", "a.tsvg", "--java", "/usr/bin/java"},
          QStringList{"--out", out.path(), "--save", "a.tsvg", "--triplea-jar", "t.jar"},
          QStringList{"--dump-save", "a.tsvg", "--out", out.path()},
          QStringList{"--dump-save", "a.tsvg", "--dump-history"},
          QStringList{"--dump-save", "a.tsvg", "--save", "a.tsvg"}}) {
        const ProgramRun run = Render(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("quelm_render: ")) << run.err.toStdString();
    }
}

TEST_F(QuelmRenderTest, UnreadableInputsExitWithOneAndNameTheFile) {
    const QString missingMap = out.path() + "/no-such-map";
    ProgramRun run = Render({"--game", kSmall + "/game.xml", "--history", kSmall + "/history.txt",
                             "--map", missingMap, "--images", kSmall, "--out", out.path()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(missingMap)) << run.err.toStdString();

    run = Render(
        {"--game", kSmall + "/game.xml", "--history", kSmall + "/game.xml", "--dump-history"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("game.xml is not a converter text")) << run.err.toStdString();

    // A saved game where the converter text belongs: the way to draw it is named.
    QFile save(out.filePath("game.tsvg"));
    ASSERT_TRUE(save.open(QIODevice::WriteOnly));
    save.write(QByteArray("\x1f\x8b\x08\x00rest of a gzip stream", 25));
    save.close();
    run = Render({"--game", kSmall + "/game.xml", "--history", save.fileName(), "--dump-history"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.contains("game.tsvg is a TripleA saved game, not a converter text: "
                         "give it with --save"))
        << run.err.toStdString();

    run = Render({"--game", kSmall + "/history.txt", "--dump-history"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("history.txt is not well-formed XML (line 1)"))
        << run.err.toStdString();

    run = Render({"--map", kSmall, "--dump-map"});  // a folder without the map files
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(kSmall + "/polygons.txt does not exist")) << run.err.toStdString();
}

// Each way a map folder can fail to draw, and the message that names its cause.
TEST_F(QuelmRenderTest, AMapThatCannotBeDrawnNamesTheRealCause) {
    const struct {
        const char* name;
        std::function<void(const QString& map)> spoil;
        const char* message;  // after the map folder's path
    } cases[] = {
        {"missing place", [](const QString& map) { QFile::remove(map + "/place.txt"); },
         "/place.txt does not exist"},
        {"pipe as polygons",
         [](const QString& map) {
             QFile::remove(map + "/polygons.txt");
             ASSERT_EQ(::mkfifo(QFile::encodeName(map + "/polygons.txt").constData(), 0644), 0);
         },
         "/polygons.txt is a named pipe, not a file"},
        {"link to a device as map.properties",
         [](const QString& map) {
             QFile::remove(map + "/map.properties");
             QFile::link("/dev/zero", map + "/map.properties");
         },
         "/map.properties is a device, not a file"},
        {"polygon cut short",
         [](const QString& map) { WriteFile(map + "/polygons.txt", "Alpha < (0,0) (10,"); },
         "/polygons.txt ends inside a point"},
        {"huge size",
         [](const QString& map) {
             WriteFile(map + "/map.properties", "map.width=100000\nmap.height=100000\n");
         },
         "the map size 100000x100000 (from map.properties) is out of range"},
        {"no size at all",
         [](const QString& map) { WriteFile(map + "/map.properties", "color.Reds=FF0000\n"); },
         "the map size -85x-49 (from its tile grid of 0x0 tiles, as map.properties gives none) "
         "is out of range"},
    };
    for (const auto& entry : cases) {
        QTemporaryDir folder;
        const QString map = folder.path() + "/map";
        QDir().mkpath(map);
        for (const QString& name : QDir(kSmall + "/map").entryList(QDir::Files)) {
            QFile::copy(kSmall + "/map/" + name, map + "/" + name);
        }
        entry.spoil(map);
        const ProgramRun run =
            Render({"--game", kSmall + "/game.xml", "--history", kSmall + "/history.txt", "--map",
                    map, "--images", kSmall, "--out", out.path(), "--quiet"});
        EXPECT_EQ(run.exitCode, 1) << entry.name;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(entry.message)))
            << entry.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(map)) << entry.name << ": " << run.err.toStdString();
    }
}

// Inputs from the saved settings or the defaults say so; special files are named as such.
TEST_F(QuelmRenderTest, MessagesSayWhereAPathCameFromAndWhatIsInTheWay) {
    ProgramRun run = Render({"--dump-map"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("/maps/revised (the default) does not exist"))
        << run.err.toStdString();

    QDir().mkpath(store.path() + "/Ostrevan");
    WriteFile(store.path() + "/Ostrevan/Quelm.conf",
              "[General]\nmaps_directory=/no/such/map\ngame_config=/no/such/game.xml\n");
    run = Render({"--dump-map"});
    EXPECT_TRUE(
        run.err.contains("the map folder /no/such/map (from the saved settings) does "
                         "not exist"))
        << run.err.toStdString();
    run = Render({"--dump-history"});
    EXPECT_TRUE(
        run.err.contains("the game definition /no/such/game.xml (from the saved "
                         "settings) does not exist"))
        << run.err.toStdString();
    WriteFile(store.path() + "/Ostrevan/Quelm.conf",
              "[General]\nmaps_directory=" + kSmall.toUtf8() + "\n");
    run = Render({"--dump-map"});
    EXPECT_TRUE(run.err.contains(kSmall + "/polygons.txt (from the saved settings) does not exist"))
        << run.err.toStdString();

    const QString pipe = out.path() + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    run = Render({"--game", kSmall + "/game.xml", "--history", pipe, "--dump-history"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("the converter text " + pipe + " is a named pipe, not a file"))
        << run.err.toStdString();
    run = Render({"--game", pipe, "--dump-history"});
    EXPECT_TRUE(run.err.contains("the game definition " + pipe + " is a named pipe, not a file"))
        << run.err.toStdString();
}

// Every input and output of quelm_render in a folder whose name is not UTF-8 ("Sp\xe9l" in
// Latin-1): read and written under the exact bytes, also by the programs it starts (ffmpeg,
// and the converter, here a script that checks its class path and copies the saved game,
// a converter text, to its output), and named with those bytes in messages.
TEST_F(QuelmRenderTest, EveryPathInAFolderNamedInLatin1KeepsItsBytes) {
    namespace fs = std::filesystem;
    const fs::path small = kSmall.toStdString();
    const fs::path latin1 = fs::path(out.path().toStdString()) / "Sp\xe9l";
    const std::string map = (latin1 / "map").string();
    fs::create_directories(latin1);
    fs::copy(small / "map", map);
    fs::copy_file(small / "game.xml", latin1 / "game.xml");
    fs::copy_file(small / "history.txt", latin1 / "game.tsvg");
    std::ofstream(latin1 / "empty.tsvg").flush();
    for (const char* name : {"TextGameConverter.class", "xstream.jar", "triplea.jar"})
        std::ofstream(latin1 / name).flush();
    const fs::path java = latin1 / "java";
    std::ofstream(java) << "#!/bin/sh\n"
                           "IFS=:; for entry in $2; do test -e \"$entry\" || exit 3; done\n"
                           "case \"$5\" in /*/*/*) ;; *) echo \"TextGameConverter: $5 is not in "
                           "a temporary folder\" >&2; exit 5;; esac\n"
                           "test -s \"$4\" || { echo \"TextGameConverter: $4 is empty\" >&2; "
                           "exit 4; }\n"
                           "cp \"$4\" \"$5\"\n";
    fs::permissions(java, fs::perms::owner_all);
    fs::create_directories(store.path().toStdString() + "/Ostrevan");
    std::ofstream(store.path().toStdString() + "/Ostrevan/Quelm.conf")
        << "[General]\nInstallationDirectory=@ByteArray(" << out.path().toStdString()
        << "/Sp\\xe9l)\n";
    std::ofstream(latin1 / "file").flush();

    const auto path = [&](const char* name) { return (latin1 / name).string(); };
    // Draws the first two steps of a history, or of a saved game through the converter.
    const auto draw = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(),
                         {"--game", path("game.xml"), "--map", map, "--images", small.string(),
                          "--frames", "0-1", "--size", "120x80", "--quiet"});
        return arguments;
    };
    const auto convert = [&](const char* save) {
        return std::vector<std::string>{"--save",           path(save),    "--converter",
                                        "--java",           java.string(), "--triplea-jar",
                                        path("triplea.jar")};
    };
    const auto with = [](std::vector<std::string> arguments, std::vector<std::string> more) {
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        fs::path written;     // a file the run makes, when it succeeds
        std::string message;  // what a failing run says, with the path's bytes
    } cases[] = {
        {"pictures", draw({"--history", path("game.tsvg"), "--out", path("pictures")}),
         latin1 / "pictures" / "frame-0001.png", ""},
        {"video", draw({"--history", path("game.tsvg"), "--video", path("Sp\xe9l.mp4")}),
         latin1 / "Sp\xe9l.mp4", ""},
        {"saved game", draw(with(convert("game.tsvg"), {"--out", path("saved")})),
         latin1 / "saved" / "frame-0001.png", ""},
        {"converter failure",
         draw(with(convert("empty.tsvg"), {"--out", path("saved")})),
         {},
         path("empty.tsvg") + " is empty"},
        {"own reader failure",
         draw({"--save", path("game.tsvg"), "--out", path("saved")}),
         {},
         path("game.tsvg")},
        {"save tree failure", {"--dump-save", path("empty.tsvg")}, {}, path("empty.tsvg")},
        {"pictures into a file",
         draw({"--history", path("game.tsvg"), "--out", path("file")}),
         {},
         "cannot create the folder " + path("file")},
        {"missing map file",
         {"--map", map, "--dump-map"},
         {},
         (latin1 / "map" / "place.txt").string() + " does not exist"},
    };
    // Under a temporary folder that Qt cannot name, the converter's output goes elsewhere.
    const ProgramRun underLatin1 = RenderBytes(
        draw(with(convert("game.tsvg"), {"--out", path("again")})), (latin1 / "tmp").string());
    EXPECT_EQ(underLatin1.exitCode, 0) << underLatin1.errBytes;
    EXPECT_TRUE(fs::is_empty(latin1 / "tmp"));
    const bool ffmpeg = !QStandardPaths::findExecutable("ffmpeg").isEmpty();
    for (const auto& test : cases) {
        const std::string name = test.name;
        if (name == "video" && !ffmpeg) continue;  // ffmpeg is not installed
        if (name == "missing map file") fs::remove(latin1 / "map" / "place.txt");
        const ProgramRun run = RenderBytes(test.arguments);
        if (test.message.empty()) {
            EXPECT_EQ(run.exitCode, 0) << name << ": " << run.errBytes;
            std::error_code error;
            EXPECT_GT(fs::file_size(test.written, error), 100u) << name;
        } else {
            EXPECT_EQ(run.exitCode, 1) << name;
            EXPECT_NE(run.errBytes.find(test.message), std::string::npos) << run.errBytes;
        }
    }
    // No temporary file beside the outputs, and no stand-in name left behind.
    for (const fs::directory_entry& entry : fs::directory_iterator(latin1))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    for (const fs::directory_entry& entry : fs::directory_iterator(TemporaryFolder()))
        EXPECT_NE(entry.path().filename().string().rfind("quelm-", 0), 0u) << entry.path();
    fs::remove_all(latin1);  // QTemporaryDir removes by names that Qt cannot spell
}

TEST_F(QuelmRenderTest, HelpNamesTheProgramAndAHugeSizeIsRefused) {
    ProgramRun run = Render({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Usage: quelm_render ")) << run.out.toStdString();
    run = Render({"--out", out.path(), "--size", "100000x100000"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--size 100000x100000 is too large")) << run.err.toStdString();
}

// Before the converter of --converter runs, what is missing is named in one line.
TEST_F(QuelmRenderTest, SaveWithoutWhatTheConverterNeedsFailsInOneLine) {
    QFile save(out.filePath("game.tsvg"));
    ASSERT_TRUE(save.open(QIODevice::WriteOnly));
    save.close();
    const QString java = QStringLiteral("/bin/sh");  // any program stands in: it never runs
    const QString jar = kSmall + "/game.xml";
    struct Case {
        QStringList arguments;
        QString message;
    };
    for (const Case& c : {
             Case{{"--save", out.filePath("none.tsvg")},
                  "cannot read the saved game " + out.filePath("none.tsvg")},
             Case{{"--save", save.fileName(), "--triplea-jar", jar},
                  "no Java runtime: give --java or choose one in the viewer's Configure..."},
             Case{{"--save", save.fileName(), "--java", out.filePath("java"), "--triplea-jar", jar},
                  "no Java runtime at " + out.filePath("java")},
             Case{{"--save", save.fileName(), "--java", java},
                  "no TripleA jar: give --triplea-jar or choose one in the viewer's Configure..."},
             Case{{"--save", save.fileName(), "--java", java, "--triplea-jar",
                   out.filePath("t.jar")},
                  "no TripleA jar at " + out.filePath("t.jar")},
             Case{{"--save", save.fileName(), "--java", java, "--triplea-jar", jar},
                  "no save-game converter (TextGameConverter.class) in " + out.path()},
         }) {
        QDir().mkpath(store.path() + "/system/Ostrevan");
        QFile machine(store.path() + "/system/Ostrevan/Quelm.conf");
        ASSERT_TRUE(machine.open(QIODevice::WriteOnly));
        machine.write("[General]\nInstallationDirectory=" + out.path().toUtf8() + "\n");
        machine.close();
        const ProgramRun run =
            Render(QStringList{"--game", kSmall + "/game.xml", "--dump-history", "--converter"} +
                   c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.message.toStdString();
        const QStringList own = run.err.split('\n').filter(QRegularExpression("^quelm_render: "));
        EXPECT_EQ(own, QStringList{"quelm_render: " + c.message}) << run.err.toStdString();
    }
}

// Labels, quantities, flags and relief follow the settings unless the command line says.
TEST_F(QuelmRenderTest, DrawingChoicesComeFromTheSettingsUnlessGiven) {
    QDir().mkpath(store.path() + "/Ostrevan");
    QFile user(store.path() + "/Ostrevan/Quelm.conf");
    const QStringList inputs = {"--game",    kSmall + "/game.xml",
                                "--history", kSmall + "/history.txt",
                                "--map",     kSmall + "/map",
                                "--images",  kSmall,
                                "--frames",  "1-1",
                                "--quiet"};
    auto draw = [&](const QString& name, const QStringList& choices) {
        const QString folder = out.filePath(name);
        const ProgramRun run = Render(inputs + choices + QStringList{"--out", folder});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return Digest(folder + "/frame-0001.png");
    };
    const QByteArray plain = draw("plain", {});
    const QByteArray labelled = draw("labelled", {"--labels", "--quantities"});
    ASSERT_NE(plain, labelled);
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("[General]\nregion_labels=1\nunit_quantities=1\n");
    user.close();
    EXPECT_EQ(draw("from-settings", {}), labelled);
    EXPECT_EQ(draw("turned-off", {"--no-labels", "--no-quantities"}), plain);
}

TEST_F(QuelmRenderTest, DumpsPrintExactlyWhatWasRead) {
    ProgramRun run = Render(
        {"--game", kSmall + "/game.xml", "--history", kSmall + "/history.txt", "--dump-history"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, Expected("expected-history.txt"));
    run = Render({"--map", kSmall + "/map", "--dump-map"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, Expected("expected-map.txt"));
}

TEST_F(QuelmRenderTest, TheDemoRendersEveryFrameAndOneOrTwoWorkersDrawTheSame) {
    const QString demo = QStringLiteral(QUELM_DEMO_DIR);
    const QString config = demo + "/config";
    QTemporaryDir second;
    // The demo's settings name its files; its history lies in its own data folder, as the
    // README's first command draws it.
    ProgramRun run = Render({"--out", out.path(), "--jobs", "1", "--size", "725x485", "--quiet"},
                            config, demo + "/data");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = Render({"--history", demo + "/data/Ostrevan/Quelm/Trevo.txt", "--out", second.path(),
                  "--jobs", "2", "--size", "725x485", "--quiet"},
                 config);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList pictures =
        QDir(out.path()).entryList({"frame-*.png"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pictures.size(), 31);
    EXPECT_EQ(pictures.front(), "frame-0000.png");
    EXPECT_EQ(pictures.back(), "frame-0030.png");
    EXPECT_EQ(QImageReader(out.filePath("frame-0030.png")).size(), QSize(725, 485));
    for (const QString& picture : pictures) {
        EXPECT_EQ(Digest(out.filePath(picture)), Digest(second.filePath(picture)))
            << picture.toStdString();
    }
}

// The whole program on a real map; what the map holds is checked where it is read.
TEST_F(QuelmRenderTest, RealRevisedGameRendersAndDumpsItsMap) {
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea);
    const QString root = QString::fromStdString(triplea);
    ProgramRun run = Render({"--game", root + "/games/revised.xml", "--map", root + "/maps/revised",
                             "--images", root + "/images", "--out", out.path(), "--format", "jpg",
                             "--size", "1750x1000", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QImageReader(out.filePath("frame-0000.jpg")).size(), QSize(1750, 1000));

    run = Render({"--map", root + "/maps/revised", "--dump-map"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("map\t1\t3500\t2000\t14\t8\t104\t0\n"));
}

// Frames, width and height of the first video stream as ffprobe counts them.
QString Probe(const QString& file) {
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                 "stream=width,height,nb_read_frames", "-of", "csv=p=0", file});
    probe.waitForFinished(60000);
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}

TEST_F(QuelmRenderTest, VideosHoldEveryStepAndTheLastOneTwoSeconds) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("ffprobe").isEmpty()) {
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed (apt-get install ffmpeg)";
    }
    const QString demo = QStringLiteral(QUELM_DEMO_DIR);
    for (const QString name : {"war.mp4", "war.webm", "war.gif"}) {
        const ProgramRun run =
            Render({"--history", demo + "/data/Ostrevan/Quelm/Trevo.txt", "--video",
                    out.filePath(name), "--frames", "0-9", "--size", "240x160", "--quiet"},
                   demo + "/config");
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_GT(QFileInfo(out.filePath(name)).size(), 4000) << name.toStdString();
        // Ten steps at 4 a second, the last one shown for 2 seconds: 9 + 8 frames.
        EXPECT_EQ(Probe(out.filePath(name)), "240,160,17") << name.toStdString();
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(QuelmRenderTest, VideoFailuresSayWhatFailedAndLeaveNoFile) {
    const QString demo = QStringLiteral(QUELM_DEMO_DIR);
    const QStringList common{"--history", demo + "/data/Ostrevan/Quelm/Trevo.txt",
                             "--frames",  "0-3",
                             "--size",    "240x160",
                             "--quiet",   "--video"};
    const struct {
        QString ffmpeg;  // the stand-in's script, or none at all
        QString video;
        QString message;
    } cases[] = {
        {"", out.filePath("war.mp4"), "ffmpeg is needed to write " + out.filePath("war.mp4")},
        {"#!/bin/sh\necho 'Unknown encoder libx264' >&2\nexit 1\n", out.filePath("war.mp4"),
         "ffmpeg failed to write " + out.filePath("war.mp4") + ": Unknown encoder libx264"},
        {"#!/bin/sh\ncat >/dev/null\necho 'first line' >&2\necho 'No space left' >&2\nexit 1\n",
         out.filePath("war.gif"),
         "ffmpeg failed to write " + out.filePath("war.gif") + ": No space left"},
        {"#!/bin/sh\ncat >/dev/null\n", out.filePath("no-such-folder/war.gif"),
         "cannot write " + out.filePath("no-such-folder/war.gif")},
    };
    for (const auto& test : cases) {
        QTemporaryDir bin;
        programPath = bin.path();
        if (!test.ffmpeg.isEmpty()) {
            QFile script(bin.filePath("ffmpeg"));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(test.ffmpeg.toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const ProgramRun run = Render(common + QStringList{test.video}, demo + "/config");
        EXPECT_EQ(run.exitCode, 1) << test.message.toStdString();
        const QStringList said = run.err.split('\n').filter(QRegularExpression("^quelm_render: "));
        ASSERT_EQ(said.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(said.front().startsWith("quelm_render: " + test.message))
            << run.err.toStdString();
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(QuelmRenderTest, VideoUsageErrorsExitWithTwo) {
    for (const QStringList& arguments :
         {QStringList{"--video", "war.avi"}, QStringList{"--video", "war.mp4", "--size", "641x360"},
          QStringList{"--video", "war.webm", "--size", "640x361"},
          QStringList{"--video", "war.mp4", "--fps", "0"},
          QStringList{"--video", "war.mp4", "--hold", "-1"},
          QStringList{"--video", "war.mp4", "--out", out.path()}}) {
        const ProgramRun run = Render(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("quelm_render: ")) << run.err.toStdString();
    }
}

// The real TripleA files beside the shared 0.8.2.1 installation (see SharedTripleAFolder):
// saved games of TripleA 1.9 and 2.x and the world_war_ii_revised map of today's TripleA.
struct RealSaveFiles {
    QString saves2x;  // saves-2x/
    QString save19;   // saves/ww2v2_hard_2rounds.tsvg
    QString game;     // the map's games/ww2v2.xml
    QString map;      // downloadedMaps/world_war_ii_revised/map
    QString images;   // Debian's TripleA images, else those of 0.8.2.1
};

RealSaveFiles FindRealSaveFiles(const std::string& triplea082) {
    const QString shared = QFileInfo(QString::fromStdString(triplea082)).path();
    RealSaveFiles files;
    files.saves2x = shared + "/saves-2x";
    files.save19 = shared + "/saves/ww2v2_hard_2rounds.tsvg";
    files.map = shared + "/downloadedMaps/world_war_ii_revised/map";
    files.game = files.map + "/games/ww2v2.xml";
    files.images = QFileInfo::exists("/usr/share/games/triplea/assets")
                       ? QStringLiteral("/usr/share/games/triplea/assets")
                       : QString::fromStdString(triplea082) + "/images";
    return files;
}

// Skips the current test, with a message, when the shared real saves or their map are absent.
#define QUELM_REQUIRE_REAL_SAVES(filesVariable)                                              \
    QUELM_REQUIRE_SHARED_TRIPLEA(triplea082);                                                \
    const RealSaveFiles filesVariable = FindRealSaveFiles(triplea082);                       \
    if (!QFileInfo::exists(filesVariable.saves2x) || !QFileInfo::exists(filesVariable.game)) \
    GTEST_SKIP() << "shared TripleA 2.x saves or the world_war_ii_revised map are absent"

// The lines of one frame in a --dump-history output, without its "frame" line.
QStringList FrameLines(const QString& dump, int frame) {
    const QStringList lines = dump.split('\n');
    QStringList kept;
    bool inside = false;
    for (const QString& line : lines) {
        if (line.startsWith("frame\t"))
            inside = line.startsWith(QString("frame\t%1\t").arg(frame));
        else if (inside)
            kept << line;
    }
    return kept;
}

// The count of the first line of a --dump-history output, "frames N".
int FrameCount(const QString& dump) { return dump.section('\n', 0, 0).section('\t', 1).toInt(); }

// Saves of TripleA 1.9 and 2.x draw through Quelm's own reader with no Java on the PATH and
// no settings at all; every step of the history is a frame of the full board, and the steps
// move units.
TEST_F(QuelmRenderTest, RealSavesDrawWithQuelmsOwnReaderWithoutJava) {
    QUELM_REQUIRE_REAL_SAVES(files);
    QTemporaryDir noPrograms;
    programPath = noPrograms.path();
    const struct {
        QString save;
        int smallestFrameCount;
    } cases[] = {
        {files.saves2x + "/revised_during_casualty_selection.tsvg", 3},
        {files.save19, 60},
    };
    for (const auto& test : cases) {
        const QString name = QFileInfo(test.save).fileName();
        const QStringList inputs = {"--save", test.save, "--game",   files.game,
                                    "--map",  files.map, "--images", files.images};
        ProgramRun run = Render(inputs + QStringList{"--dump-history"});
        ASSERT_EQ(run.exitCode, 0) << name.toStdString() << ": " << run.err.toStdString();
        const int frames = FrameCount(run.out);
        EXPECT_GE(frames, test.smallestFrameCount) << name.toStdString();
        const QStringList first = FrameLines(run.out, 0);
        const QStringList last = FrameLines(run.out, frames - 1);
        EXPECT_EQ(last.filter(QRegularExpression("^territory\t")).size(),
                  first.filter(QRegularExpression("^territory\t")).size())
            << name.toStdString();
        EXPECT_NE(last, first) << name.toStdString() << ": the history changed nothing";

        const QString pictures = out.filePath(name);
        run = Render(inputs + QStringList{"--out", pictures, "--size", "700x400", "--quiet"});
        ASSERT_EQ(run.exitCode, 0) << name.toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(QDir(pictures).entryList({"frame-*.png"}, QDir::Files).size(), frames)
            << name.toStdString();
        EXPECT_EQ(QImageReader(pictures + "/frame-0000.png").size(), QSize(700, 400));
    }
}

// --dump-save reads nothing but the save: settings that name missing files do not matter.
TEST_F(QuelmRenderTest, DumpSavePrintsTheTreeWithNothingButTheSave) {
    QUELM_REQUIRE_REAL_SAVES(files);
    QDir().mkpath(store.path() + "/Ostrevan");
    WriteFile(store.path() + "/Ostrevan/Quelm.conf",
              "[General]\nmaps_directory=/no/such/map\ngame_config=/no/such/game.xml\n"
              "images_directory=/no/such/images\n");
    QTemporaryDir noPrograms;
    programPath = noPrograms.path();
    for (const QString& save :
         {files.saves2x + "/revised_during_casualty_selection.tsvg", files.save19}) {
        const ProgramRun run = Render({"--dump-save", save});
        EXPECT_EQ(run.exitCode, 0) << save.toStdString() << ": " << run.err.toStdString();
        EXPECT_GT(run.out.count('\n'), 3) << save.toStdString() << ": " << run.out.toStdString();
        EXPECT_TRUE(run.out.endsWith('\n'));
        EXPECT_FALSE(run.err.contains("quelm_render: ")) << run.err.toStdString();
    }
}

// Whatever is wrong with a save, each way of reading it ends with exit code 1 and one line
// that names the file, and draws nothing.
TEST_F(QuelmRenderTest, UnreadableSavesFailInOneLineNamingTheFile) {
    struct Case {
        const char* what;
        QString save;
    };
    std::vector<Case> cases = {
        {"missing", out.filePath("none.tsvg")},
        {"not gzip", out.filePath("garbage.tsvg")},
    };
    WriteFile(out.filePath("garbage.tsvg"), QByteArray(4000, '\x5a'));
    const std::string triplea = SharedTripleAFolder();
    QFile whole(triplea.empty() ? QString()
                                : FindRealSaveFiles(triplea).saves2x +
                                      "/revised_during_casualty_selection.tsvg");
    if (whole.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = whole.readAll();
        WriteFile(out.filePath("half.tsvg"), bytes.left(bytes.size() / 2));
        cases.push_back({"half of a real save", out.filePath("half.tsvg")});
    }
    const QString pictures = out.filePath("pictures");
    for (const Case& c : cases) {
        for (const QStringList& arguments :
             {QStringList{"--dump-save", c.save},
              QStringList{"--save", c.save, "--game", kSmall + "/game.xml", "--dump-history"},
              QStringList{"--save", c.save, "--game", kSmall + "/game.xml", "--map",
                          kSmall + "/map", "--images", kSmall, "--out", pictures}}) {
            const ProgramRun run = Render(arguments);
            const std::string shown = c.what + (": " + arguments.join(' ').toStdString());
            EXPECT_EQ(run.exitCode, 1) << shown;
            const QStringList said =
                run.err.split('\n').filter(QRegularExpression("^quelm_render: "));
            ASSERT_EQ(said.size(), 1) << shown << "\n" << run.err.toStdString();
            EXPECT_TRUE(said.front().contains(c.save)) << shown << "\n" << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty()) << shown;
            EXPECT_FALSE(QFileInfo::exists(pictures)) << shown;
        }
    }
}

}  // namespace
