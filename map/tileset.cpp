#include "map/tileset.h"

#include "base/filestamp.h"
#include "base/pathutil.h"
#include "base/regularfile.h"
#include "base/stringutil.h"
#include "map/mapfile.h"
#include "map/tile.h"
#include "platform/imageplugins.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A name with a larger column or row number counts as broken, so that a hostile name cannot
// make the grid huge: 1024 x 1024 cells are 262144 pixels square at the usual tile size.
constexpr std::int32_t kLargestTileNumber = 1023;

struct TileCell {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Reads "<column>_<row>.<extension>": exactly one "." in the name and one "_" before it.
bool ParseTileName(const QString& name, TileCell& cell) {
    const std::vector<std::string> nameAndExtension = SplitString(name.toStdString(), '.');
    if (nameAndExtension.size() != 2) return false;
    const std::vector<std::string> numbers = SplitString(nameAndExtension[0], '_');
    if (numbers.size() != 2) return false;
    cell.x = ReadLeadingInteger(numbers[0]);
    cell.y = ReadLeadingInteger(numbers[1]);
    return cell.x <= kLargestTileNumber && cell.y <= kLargestTileNumber;
}

// The candidate tile files of a set folder, in name order. Folders, hidden files and
// anything that is not a file (pipes, sockets, devices, broken links) are left out. The
// folder is listed by its bytes, whatever its name's encoding.
QStringList ListTileFiles(const QString& setFolder) {
    namespace fs = std::filesystem;
    QStringList names;
    std::error_code error;
    for (fs::directory_iterator entry(PathBytes(setFolder), error), end; !error && entry != end;
         entry.increment(error)) {
        const QString name = PathText(entry->path().filename().native());
        std::error_code typeError;
        if (!name.startsWith(u'.') && entry->is_regular_file(typeError) &&
            MatchWildcard(QStringLiteral("*.png"), name)) {
            names.append(name);
        }
    }
    names.sort();
    return names;
}

// Decodes a tile only when its header announces the tile size, so that a broken or hostile
// file costs no more than its header. Qt's own allocation limit, left alone here because it
// is shared by every thread of the process, still refuses a huge configured tile size. The
// image is brought to sRGB when it carries a colour profile of its own, then to the
// premultiplied format that the frames are drawn with.
QImage DecodeTile(const QString& path, const QSize& tileSize) {
    QFile file;
    if (!OpenRegularFile(PathBytes(path), file)) return QImage();
    // The name's extension picks the decoder, as a reader opened by name would; without
    // it every image plugin would be loaded to probe the file.
    QImageReader reader(&file, QFileInfo(path).suffix().toLatin1());
    if (reader.size() != tileSize) return QImage();
    QImage image;
    if (!reader.read(&image) || image.size() != tileSize) return QImage();
    const QColorSpace colourSpace = image.colorSpace();
    if (colourSpace.isValid() && colourSpace != QColorSpace(QColorSpace::SRgb)) {
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

// A tile file of the set: its cell, path and stamp, and the tile the previous load decoded
// from it when the file is unchanged since, or else the image decoded now.
struct TileFile {
    TileCell cell;
    QString path;
    std::string narrowPath;
    FileStamp stamp;
    Ref<Tile> reused;
    QImage decoded;
};

// Takes over the tile the previous load decoded when the file is unchanged on disk since.
bool ReuseTile(MapLoadMemory& memory, TileFile& file, const QSize& tileSize) {
    const auto previous = memory.previousTiles.find(file.narrowPath);
    if (previous == memory.previousTiles.end() || !file.stamp.exists ||
        !(previous->second.stamp == file.stamp) || previous->second.size != tileSize) {
        return false;
    }
    file.reused = previous->second.tile;
    memory.tiles[file.narrowPath] = std::move(previous->second);
    memory.previousTiles.erase(previous);
    return true;
}

// Decodes the files not taken over, on as many threads as the processor has cores (at most
// four): decoding PNG files is most of a map's first load, and each file decodes alone.
void DecodeTileFiles(std::vector<TileFile*>& files, const QSize& tileSize) {
    LoadImagePluginsOnce();
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            files[i]->decoded = DecodeTile(files[i]->path, tileSize);
        }
    };
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const std::size_t helpers = std::min<std::size_t>(cores - 1, files.size() / 2);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < helpers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
}

}  // namespace

bool LoadTileSet(MapData& mapData, const std::string& folderName) {
    const QString setFolder = MapFolderEntry(mapData, QString::fromStdString(folderName));
    const QStringList names = ListTileFiles(setFolder);

    // First pass: the grid size, so that the grid grows at most once.
    TileCell largest;
    TileCell cell;
    for (const QString& name : names) {
        if (!ParseTileName(name, cell)) continue;
        largest.x = std::max(largest.x, cell.x);
        largest.y = std::max(largest.y, cell.y);
    }
    if (largest.x == 0 || largest.y == 0) return false;

    mapData.columns = largest.x + 1;
    mapData.rows = largest.y + 1;
    mapData.tiles.resize(static_cast<std::size_t>(mapData.columns) *
                         static_cast<std::size_t>(mapData.rows));

    // Second pass: take over or decode every tile; the last name in listing order for a
    // cell wins.
    const QSize tileSize(mapData.tileWidth, mapData.tileHeight);
    std::vector<TileFile> files;
    files.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names) {
        if (!ParseTileName(name, cell) || cell.x < 0 || cell.y < 0) continue;
        TileFile file{cell, JoinPath(setFolder, name), {}, {}, {}, {}};
        file.narrowPath = PathBytes(file.path);
        file.stamp = StampOfFile(file.narrowPath);
        files.push_back(std::move(file));
    }
    std::vector<TileFile*> toDecode;
    for (TileFile& file : files) {
        if (!ReuseTile(mapData.loadMemory, file, tileSize)) toDecode.push_back(&file);
    }
    DecodeTileFiles(toDecode, tileSize);
    for (TileFile& file : files) {
        Ref<Tile> tile = std::move(file.reused);
        if (!tile && !file.decoded.isNull()) {
            CreateTile(file.narrowPath, std::move(file.decoded), tile.Receive());
            if (file.stamp.exists) mapData.loadMemory.tiles[file.narrowPath] = {file.stamp, tileSize, tile};
        }
        if (!tile) continue;
        mapData.tiles[static_cast<std::size_t>(file.cell.x + mapData.columns * file.cell.y)] =
            std::move(tile);
    }
    return true;
}
