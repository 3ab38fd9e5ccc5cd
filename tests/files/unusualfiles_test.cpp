// Every reader of the programs against names that are not regular files: a named pipe, a
// socket, devices, links to them, a folder and a text file past the size limit. Each must
// read like a missing file and return at once; a reader that waits hangs this test, which
// ctest then stops. And every reader in a folder whose name is not UTF-8.
#include <functional>
#include <string>
#include <vector>

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/outputpath.h"
#include "base/pathutil.h"
#include "base/ref.h"
#include "base/regularfile.h"
#include "base/textfile.h"
#include "game/gameloader.h"
#include "map/mapload.h"
#include "platform/guistarter.h"
#include "render/frameexport.h"
#include "render/imagefile.h"
#include "render/maprenderer.h"
#include "savegame/savedgame.h"
#include "settings/converterlaunch.h"
#include "settings/converterrun.h"
#include "settings/settingsstore.h"
#include "standinconverter.h"
#include "temporarystore.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSmallGame = fs::path(QUELM_TEST_DATA_DIR) / "render" / "small";

void WritePng(const fs::path& path, int width, int height) {
    fs::create_directories(path.parent_path());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
}

// What a map folder gave: loaded or not, the territories, the map size, the tile cells
// that hold a tile and the capitals.
std::string ReadMap(const fs::path& folder) {
    MapData mapData;
    mapData.mapFolder = (folder / "map").string();
    mapData.tileWidth = 50;
    mapData.tileHeight = 50;
    std::string text = LoadMapData(mapData) ? "loaded" : "failed";
    text += " territories " + std::to_string(mapData.territories.size()) + " size " +
            std::to_string(mapData.mapWidth) + "x" + std::to_string(mapData.mapHeight) + " tiles ";
    for (const Ref<Tile>& tile : mapData.tiles) text += tile ? '#' : '.';
    for (const auto& [name, territory] : mapData.territories) {
        if (territory.isCapital) text += " capital " + name;
    }
    return text + " colours " + std::to_string(mapData.PlayerColours.size());
}

// What the game loader gave from the game definition and the converter text.
std::string ReadGame(const fs::path& folder) {
    Ref<GameLoader> loader;
    CreateGameLoader(loader.Receive());
    loader->SetGameFile((folder / "game.xml").string());
    loader->SetConverterOutput((folder / "history.txt").string());
    std::string text = "frames " + std::to_string(loader->GetFrameCount(nullptr));
    Ref<TerritoryState> alpha;
    if (loader->FindTerritory(0, "Alpha", alpha.Receive())) {
        std::string production;
        alpha->GetProduction(production);
        text += " Alpha: production " + production + ", units " +
                std::to_string(alpha->GetUnitCount(nullptr));
    }
    return text;
}

// The saved game leaves no trace in the history either way: only that it returns counts.
std::string UnpackSaved(const fs::path& folder) {
    Ref<GameLoader> loader;
    CreateGameLoader(loader.Receive());
    loader->SetSaveGame((folder / "saved.tsvg").string());
    return "returned";
}

// Quelm's own reader of saved games: what it makes of the file (its message names the path).
std::string ReadSavedGameKind(const fs::path& folder) {
    std::string text;
    SavedGameError error;
    ReadSavedGameText((folder / "saved.tsvg").string(), text, error);
    return "problem " + std::to_string(static_cast<int>(error.problem));
}

std::string ReadUnitImage(const fs::path& folder) {
    const QImage image = ReadImageFile(PathText((folder / "unit.png").string()));
    return image.isNull() ? "none"
                          : std::to_string(image.width()) + "x" + std::to_string(image.height());
}

std::string ReadUserStore(const fs::path&) {
    Settings settings;
    Settings lastStored;
    LoadSettings(settings, lastStored);
    return "zoom " + std::to_string(settings.zoom_factor);
}

std::string ReadMachineStore(const fs::path&) {
    std::string folder;
    return ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder) ? folder
                                                                                     : "absent";
}

struct Reader {
    const char* name;
    const char* input;  // inside the folder of the test
    std::function<std::string(const fs::path&)> read;
    bool text;           // also refused past the size limit of text files
    bool leavesNoTrace;  // the same result with and without the file
};

void PrintTo(const Reader& reader, std::ostream* out) { *out << reader.name; }

const Reader kReaders[] = {
    {"polygons", "map/polygons.txt", ReadMap, true, false},
    {"placements", "map/place.txt", ReadMap, true, false},
    {"capitals", "map/capitols.txt", ReadMap, true, false},
    {"map properties", "map/map.properties", ReadMap, true, false},
    {"tile", "map/baseTiles/0_1.png", ReadMap, false, false},
    {"game definition", "game.xml", ReadGame, true, false},
    {"converter text", "history.txt", ReadGame, true, false},
    {"saved game", "saved.tsvg", UnpackSaved, false, true},
    {"saved game read by Quelm", "saved.tsvg", ReadSavedGameKind, false, false},
    {"unit image", "unit.png", ReadUnitImage, false, false},
    {"user settings", "user/Ostrevan/Quelm.conf", ReadUserStore, true, false},
    {"machine settings", "machine/Ostrevan/Quelm.conf", ReadMachineStore, true, false},
};

void MakePipe(const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }

void MakeLinkToPipe(const fs::path& path) {
    const fs::path pipe = path.string() + ".pipe";
    MakePipe(pipe);
    fs::create_symlink(pipe, path);
}

void MakeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    const int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);  // the socket's name stays
    ASSERT_EQ(bound, 0);
}

void MakeLinkToNull(const fs::path& path) { fs::create_symlink("/dev/null", path); }
void MakeLinkToZero(const fs::path& path) { fs::create_symlink("/dev/zero", path); }
void MakeFolder(const fs::path& path) { fs::create_directory(path); }

// A sparse file one byte past the limit: it takes no room on the disk.
void MakeHugeFile(const fs::path& path) {
    { std::ofstream create(path); }
    fs::resize_file(path, static_cast<std::uintmax_t>(kMaxTextFileBytes) + 1);
}

struct SpecialFile {
    const char* name;
    void (*make)(const fs::path&);
    bool textOnly;
};

const SpecialFile kSpecialFiles[] = {
    {"named pipe", MakePipe, false},
    {"link to a named pipe", MakeLinkToPipe, false},
    {"socket", MakeSocket, false},
    {"link to /dev/null", MakeLinkToNull, false},
    {"link to /dev/zero", MakeLinkToZero, false},
    {"folder", MakeFolder, false},
    {"text file past the limit", MakeHugeFile, true},
};

class SpecialFileTest : public ::testing::TestWithParam<Reader> {
protected:
    // Every input of every reader, each one readable.
    SpecialFileTest() {
        fs::copy(kSmallGame, Folder(), fs::copy_options::recursive);
        store.folder.Write("map/capitols.txt", "Alpha (40,40)\n");
        WritePng(Folder() / "map/baseTiles/1_1.png", 50, 50);
        WritePng(Folder() / "map/baseTiles/0_1.png", 50, 50);
        WritePng(Folder() / "unit.png", 48, 48);
        store.folder.Write("saved.tsvg", std::string("\x1f\x8b", 2));
        store.WriteUserFile("[General]\nzoom_factor=77\n");
        store.SetMachineValue("InstallationDirectory", "/opt/quelm");
    }

    fs::path Folder() const { return store.folder.Path(); }
    fs::path Input() const { return Folder() / GetParam().input; }
    std::string Read() const { return GetParam().read(Folder()); }
    void Remove() const {
        fs::remove_all(Input());
        fs::remove(Input().string() + ".pipe");
    }

    TemporaryStore store;
};

TEST_P(SpecialFileTest, ReadsLikeAMissingFile) {
    const std::string withFile = Read();
    Remove();
    const std::string missing = Read();
    if (!GetParam().leavesNoTrace) {
        ASSERT_NE(withFile, missing) << "the file is not read";
    }
    for (const SpecialFile& special : kSpecialFiles) {
        if (special.textOnly && !GetParam().text) continue;
        special.make(Input());
        EXPECT_EQ(Read(), missing) << special.name;
        Remove();
    }
}

// The same inputs under a folder whose name is not UTF-8 ("Sp\xe9l" in Latin-1) read the
// same: paths keep their bytes on the way through Qt.
TEST_P(SpecialFileTest, ReadsTheSameInAFolderNamedInLatin1) {
    const std::string expected = Read();
    const fs::path latin1 = Folder() / "Sp\xe9l";
    fs::create_directory(latin1);
    for (const char* entry : {"map", "game.xml", "history.txt", "saved.tsvg", "unit.png"}) {
        fs::rename(Folder() / entry, latin1 / entry);
    }
    EXPECT_EQ(GetParam().read(latin1), expected);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, SpecialFileTest, ::testing::ValuesIn(kReaders),
                         [](const ::testing::TestParamInfo<Reader>& reader) {
                             std::string name = reader.param.name;
                             for (char& c : name) c = std::isalnum(c) ? c : '_';
                             return name;
                         });

// Every file the programs write, and every path they hand to a program they start, in a
// folder whose name is not UTF-8 ("Sp\xe9l" in Latin-1): the file appears under the exact
// bytes. The converter is a script that checks its class path and copies the saved game to
// the output; the imported history goes to a data folder named in Latin-1 too.
TEST(WritersInAFolderNamedInLatin1, EveryOutputReachesTheNamedFile) {
    const GuiStarter gui(true);  // text is drawn on the export
    TemporaryStore store;
    TemporaryFolder folder;
    const std::string latin1 = folder.MakeFolder("Sp\xe9l");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(latin1 + "/data"));
    for (const char* name : {"xstream.jar", "triplea.jar", "empty.tsvg"})
        folder.Write(std::string("Sp\xe9l/") + name, "");
    folder.Write("Sp\xe9l/game.tsvg", "TrevoConvert\n");
    Settings settings;
    settings.java_runtime = WriteStandInConverter(
        folder, "Sp\xe9l/java",
        "IFS=:; for entry in $2; do test -e \"$entry\" || exit 3; done\n"
        "test -s \"$4\" || { echo \"TextGameConverter: $4 is empty\" >&2; exit 4; }\n"
        "cp \"$4\" \"$5\"");
    settings.triplea_jar = latin1 + "/triplea.jar";
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    // The converter's reason for failing, or "" when it succeeded.
    const auto import = [&](const char* save) {
        settings.save = latin1 + "/" + save;
        const std::string output = GetConverterOutputPath();
        if (!MakeConverterOutputFolder(output)) return std::string("no output folder");
        ConverterRun run(MakeConverterCommand(settings, latin1, output));
        return run.Start() && run.Wait() == ConverterRun::Result::Succeeded ? std::string()
                                                                            : run.FailureReason();
    };
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const struct {
        const char* name;
        std::function<std::string()> write;  // "" or why it failed
        std::string written;
        std::string message;  // what a failure says
    } cases[] = {
        {"picture",
         [&] {
             return SaveImageFile(picture, PathText(latin1 + "/frame.png"), "png") ? "" : "failed";
         },
         latin1 + "/frame.png", ""},
        {"viewer export",
         [&] { return renderer->ExportJpeg(64, 48, latin1 + "/export.jpg") ? "" : "failed"; },
         latin1 + "/export.jpg", ""},
        // The file dialog answers with U+FFFD for the folder's byte.
        {"viewer export chosen in the file dialog",
         [&] {
             const QString answer =
                 QFile::decodeName(QByteArray::fromStdString(latin1 + "/chosen.jpg"));
             return renderer->ExportJpeg(64, 48, PathFromQtName(answer)) ? "" : "failed";
         },
         latin1 + "/chosen.jpg", ""},
        {"imported history", [&] { return import("game.tsvg"); },
         latin1 + "/data/Ostrevan/Quelm/Trevo.txt", ""},
        {"converter failure", [&] { return import("empty.tsvg"); }, "",
         "TextGameConverter: " + latin1 + "/empty.tsvg is empty"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.write(), test.message) << test.name;
        std::error_code error;
        if (!test.written.empty()) {
            EXPECT_GT(fs::file_size(test.written, error), 0u) << test.name;
        }
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(latin1))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

// What the one checked open says about each kind of name, for the messages that name it.
TEST(DescribeUnreadableFileTest, NamesWhatIsInTheWay) {
    TemporaryFolder folder;
    const fs::path root = folder.Path();
    folder.Write("plain.txt", "text");
    const struct {
        const char* name;
        void (*make)(const fs::path&);
        const char* description;
    } cases[] = {
        {"pipe", MakePipe, "is a named pipe, not a file"},
        {"linked-pipe", MakeLinkToPipe, "is a named pipe, not a file"},
        {"socket", MakeSocket, "is a socket, not a file"},
        {"zero", MakeLinkToZero, "is a device, not a file"},
        {"folder", MakeFolder, "is a folder, not a file"},
        {"huge", MakeHugeFile, "is larger than 1 GB"},
        {"dangling", [](const fs::path& path) { fs::create_symlink("nowhere", path); },
         "is a link to nothing"},
        {"missing", [](const fs::path&) {}, "does not exist"},
        {"plain.txt", [](const fs::path&) {}, ""},
    };
    for (const auto& entry : cases) {
        entry.make(root / entry.name);
        EXPECT_EQ(DescribeUnreadableFile((root / entry.name).string(), kMaxTextFileBytes),
                  entry.description)
            << entry.name;
    }
    QString text;
    EXPECT_EQ(ReadTextFile((root / "huge").string(), text), kResultFileTooLarge);
    EXPECT_EQ(ReadTextFile((root / "pipe").string(), text), kResultNotRegularFile);
}

}  // namespace
