#include "historyrenderer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "base/pathutil.h"
#include "base/regularfile.h"
#include "dumps.h"
#include "game/gameloaderimpl.h"
#include "game/xmldocument.h"
#include "map/mapload.h"
#include "map/placementsfile.h"
#include "map/polygonsfile.h"
#include "orderedframes.h"
#include "render/frameexport.h"
#include "render/imagefile.h"
#include "render/maprendererimpl.h"
#include "settings/settings.h"

namespace {

// Qt's PNG writer turns quality into zlib's level: 70 gives level 2, which writes a
// 3500 x 2000 picture about a third faster than the default for a file a fifth larger.
constexpr int kPngQuality = 70;

// A path as the file system's bytes (see PathText), and what is there.
std::string LocalPath(const QString& path) { return PathBytes(path); }
bool IsFolder(const QString& path) {
    std::error_code error;
    return std::filesystem::is_directory(LocalPath(path), error);
}
bool Exists(const QString& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(LocalPath(path), error));
}
QString AbsolutePath(const QString& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(LocalPath(path), error);
    return error ? path : PathText(absolute.string());
}

std::uint32_t FrameSeed(std::uint32_t seed, int frame) {
    return seed * 2654435761u + static_cast<std::uint32_t>(frame);
}

QString FrameFileName(int frame, int lastFrame, const QString& format) {
    const int digits = std::max(4, static_cast<int>(QString::number(lastFrame).size()));
    return QString("frame-%1.%2").arg(frame, digits, 10, QChar('0')).arg(format);
}

// Progress on standard error, at most twice a second and at the end.
class Progress {
public:
    Progress(int total, bool quiet)
        : total(total), quiet(quiet), terminal(isatty(fileno(stderr)) != 0) {
        clock.start();
    }

    void FrameDone() {
        std::lock_guard<std::mutex> lock(mutex);
        ++done;
        if (quiet || (done < total && clock.elapsed() - lastReport < 500)) return;
        lastReport = clock.elapsed();
        // On a terminal the line is rewritten in place; in a log every report has its line.
        std::fprintf(stderr, "%sframe %d of %d (%.1f s)%s", terminal ? "\r" : "", done, total,
                     lastReport / 1000.0, terminal && done < total ? "" : "\n");
        std::fflush(stderr);
    }
    double Seconds() const { return clock.elapsed() / 1000.0; }

private:
    std::mutex mutex;
    QElapsedTimer clock;
    qint64 lastReport = -1000;
    int done = 0;
    int total;
    bool quiet;
    bool terminal;
};

// The first failure of any worker, which stops them all.
class FirstFailure {
public:
    void Set(const QString& message) {
        std::lock_guard<std::mutex> lock(mutex);
        if (text.isEmpty()) text = message;
        failed = true;
    }
    bool Failed() const { return failed; }
    QString Text() {
        std::lock_guard<std::mutex> lock(mutex);
        return text;
    }

private:
    std::mutex mutex;
    std::atomic<bool> failed{false};
    QString text;
};

struct FrameJob {
    const RenderOptions& options;
    GameLoader* loader;
    int first;
    int last;
    std::atomic<int> next;
    Progress progress;
    FirstFailure failure;
    OrderedFrames* video = nullptr;  // where the frames go when they make an animation
};

void SetFailure(FrameJob& job, const QString& message) {
    job.failure.Set(message);
    if (job.video) job.video->Stop();
}

// The pictures are opaque: without the alpha channel PNG files are smaller and faster.
bool SavePicture(const QImage& picture, const QString& path, const QString& format) {
    if (format == "jpg") return SaveImageFile(picture, path, FindEncoder("image/jpeg"));
    return SaveImageFile(picture.convertToFormat(QImage::Format_RGB32), path, "png", kPngQuality);
}

Ref<MapRenderer> CreateWorkerRenderer(FrameJob& job) {
    Ref<MapRenderer> renderer;
    if (CreateMapRenderer(renderer.Receive()) < 0) return renderer;
    auto& impl = *static_cast<MapRendererImpl*>(renderer.Get());
    impl.gameLoader.Reset(job.loader);  // every worker reads the one history
    const Settings& settings = ProcessSettings();
    renderer->SetImagesFolder(LocalPath(job.options.images));
    renderer->SetMapFolder(LocalPath(job.options.map));
    renderer->SetLargeFlags(!job.options.smallFlags);
    renderer->SetTerritoryLabels(job.options.labels);
    renderer->SetUnitQuantities(job.options.quantities);
    renderer->SetUseRelief(!job.options.noRelief);
    renderer->SetUnitColour(settings.unit_red, settings.unit_green, settings.unit_blue);
    renderer->SetChangeMarks(job.options.changes);
    // The map folder does not change during a run, so each worker reads it once.
    impl.loadMapData = [loaded = false](MapData& data) mutable {
        if (!loaded) loaded = LoadMapData(data);
        return loaded;
    };
    return renderer;
}

QSize PictureSize(const RenderOptions& options, const MapData& mapData) {
    if (options.size.isValid()) return options.size;
    const QSize own(mapData.mapWidth, mapData.mapHeight);
    return options.video.isEmpty() ? own : DefaultVideoSize(own);
}

// The frame with its banner at the size asked for; a null image when it cannot be drawn,
// with the failure set.
QImage DrawPicture(FrameJob& job, MapRendererImpl& impl, int frame) {
    impl.currentFrame = frame;
    impl.SizeFrameCache();
    impl.random.Seed(FrameSeed(job.options.seed, frame));
    impl.PrepareFrame();
    if (!impl.ready) {
        SetFailure(job, DiagnoseMapFolder(job.options));
        return QImage();
    }
    const QSize size = PictureSize(job.options, impl.mapData);
    QImage picture = impl.ComposeExportImage(size.width(), size.height());
    impl.ClearFrameCache();  // one picture at a time per worker
    if (picture.isNull()) {
        SetFailure(
            job,
            QString("a picture of %1x%2 pixels is too large").arg(size.width()).arg(size.height()));
    }
    return picture;
}

// Draws one frame and saves it or hands it on; false when the workers are to stop.
bool RenderFrame(FrameJob& job, MapRendererImpl& impl, int frame) {
    const QImage picture = DrawPicture(job, impl, frame);
    if (picture.isNull()) return false;
    if (job.video) return job.video->Put(frame, picture.convertToFormat(QImage::Format_RGB32));
    const QString path =
        JoinPath(job.options.out, FrameFileName(frame, job.last, job.options.format));
    if (!SavePicture(picture, path, job.options.format)) {
        SetFailure(job, "cannot write " + path);
        return false;
    }
    job.progress.FrameDone();
    return true;
}

void RenderWorker(FrameJob& job) {
    Ref<MapRenderer> renderer = CreateWorkerRenderer(job);
    if (!renderer) {
        SetFailure(job, "cannot create a renderer");
        return;
    }
    auto& impl = *static_cast<MapRendererImpl*>(renderer.Get());
    for (int frame = job.next++; frame <= job.last && !job.failure.Failed(); frame = job.next++) {
        if (!RenderFrame(job, impl, frame)) break;
    }
}

void RunWorkers(FrameJob& job, int workers, const std::function<void()>& meanwhile) {
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back(RenderWorker, std::ref(job));
    meanwhile();
    for (std::thread& thread : threads) thread.join();
}

// Hands the frames to the encoder in order, the last one as often as the hold asks; false
// when a worker or the encoder failed.
bool EncodeInOrder(FrameJob& job, OrderedFrames& frames, FrameEncoder& encoder) {
    QImage frame;
    for (int index = job.first; index <= job.last; ++index) {
        std::optional<QImage> taken = frames.Take();
        if (!taken) return false;
        frame = std::move(*taken);
        if (index == job.first && !encoder.Start(frame.size(), job.options.fps)) return false;
        if (!encoder.Add(frame)) return false;
        job.progress.FrameDone();
    }
    for (int i = 1; i < LastFrameRepeats(job.options.fps, job.options.hold); ++i) {
        if (!encoder.Add(frame)) return false;
    }
    return encoder.Finish();
}

// Why the text file at path cannot be read, after the path; empty when it can.
QString UnreadableText(const QString& path) {
    return QString::fromStdString(DescribeUnreadableFile(LocalPath(path), kMaxTextFileBytes));
}

bool IsConverterText(const QString& path) {
    QFile file;
    if (!OpenRegularFile(LocalPath(path), file, kMaxTextFileBytes)) return false;
    QByteArray firstLine = file.readLine(256);
    if (firstLine.endsWith('\n')) firstLine.chop(1);
    if (firstLine.endsWith('\r')) firstLine.chop(1);
    return firstLine == "TrevoConvert";
}

}  // namespace

namespace {

// Why a map that loads cannot be drawn: its size, and where the size came from.
QString DiagnoseMapSize(const MapData& mapData) {
    const bool fromGrid = mapData.mapWidth == mapData.columns * mapData.tileWidth - 85 &&
                          mapData.mapHeight == mapData.rows * mapData.tileHeight - 49;
    const QString origin =
        fromGrid ? QString("from its tile grid of %1x%2 tiles, as map.properties gives none")
                       .arg(mapData.columns)
                       .arg(mapData.rows)
                 : QString("from map.properties");
    return QString(
               "the map size %1x%2 (%3) is out of range: it must be positive and at most "
               "%4 pixels")
        .arg(mapData.mapWidth)
        .arg(mapData.mapHeight)
        .arg(origin)
        .arg(kMaxImageBytes / 4);
}

}  // namespace

QString DiagnoseMapFolder(const RenderOptions& options) {
    const QString& folder = options.map;
    if (folder.isEmpty()) return "no map folder given";
    if (!IsFolder(folder)) {
        return "the map folder " + folder + options.mapSource +
               (Exists(folder) ? " is not a folder" : " does not exist");
    }
    for (const char* name : {"polygons.txt", "place.txt", "map.properties"}) {
        const QString file = QDir(folder).filePath(name);
        const QString problem = UnreadableText(file);
        if (!problem.isEmpty()) return file + options.mapSource + " " + problem;
    }
    MapData mapData;
    mapData.mapFolder = LocalPath(folder);
    mapData.useRelief = !options.noRelief;
    for (const auto& [name, read] : {std::make_pair("polygons.txt", ReadPolygons),
                                     std::make_pair("place.txt", ReadPlacements)}) {
        if (!read(mapData)) {
            return QDir(folder).filePath(name) + options.mapSource +
                   " ends inside a point (a \")\" is missing)";
        }
    }
    if (LoadMapData(mapData) && !ImageFitsLimit(mapData.mapWidth, mapData.mapHeight)) {
        return DiagnoseMapSize(mapData) + " in " + folder + options.mapSource;
    }
    return "the map in " + folder + options.mapSource + " cannot be drawn";
}

int HistoryRenderer::Fail(int code, const QString& message) {
    std::fprintf(stderr, "quelm_render: %s\n", LocalPath(message).c_str());  // paths as named
    return code;
}

void HistoryRenderer::Note(const QString& message) const {
    if (!options.quiet) std::fprintf(stderr, "quelm_render: %s\n", LocalPath(message).c_str());
}

bool HistoryRenderer::CheckGameDefinition() {
    const QString problem = UnreadableText(options.game);
    if (!problem.isEmpty()) {
        Fail(kExitBadInput,
             "the game definition " + options.game + options.gameSource + " " + problem);
        return false;
    }
    try {
        XmlDocument document;
        document.Parse(LocalPath(options.game));
    } catch (const XMLException& error) {
        const QString what = error.code == 3
                                 ? QString("is not well-formed XML (line %1)").arg(error.line)
                                 : QString("cannot be read");
        Fail(kExitBadInput,
             "the game definition " + options.game + options.gameSource + " " + what);
        return false;
    }
    return true;
}

bool HistoryRenderer::CheckHistory() {
    const QString problem = UnreadableText(options.history);
    if (!problem.isEmpty()) {
        const QString named = options.history + options.historySource;
        if (options.historyGiven || Exists(options.history)) {
            Fail(kExitBadInput, "the converter text " + named + " " + problem);
            return false;
        }
        Note("no converter text at " + named + ": drawing the start of the game only");
        return true;
    }
    if (LooksLikeSavedGame(options.history)) {
        Fail(kExitBadInput,
             options.history +
                 " is a TripleA saved game, not a converter text: give it with --save");
        return false;
    }
    if (!IsConverterText(options.history)) {
        Fail(kExitBadInput,
             options.history + " is not a converter text (its first line is not TrevoConvert)");
        return false;
    }
    historyPresent = true;
    return true;
}

bool HistoryRenderer::CheckImagesFolder() {
    if (IsFolder(options.images)) return true;
    Fail(kExitBadInput, "the image folder " + options.images + options.imagesSource +
                            (Exists(options.images) ? " is not a folder" : " does not exist"));
    return false;
}

// Reads --save: by default with Quelm's own reader into savedText; with --converter through
// the Java converter into a temporary converter text that becomes the history.
bool HistoryRenderer::ReadSave() {
    if (options.save.isEmpty()) return true;
    QString error;
    const bool read = options.converter ? conversion.Convert(options, error)
                                        : ReadSaveWithOwnReader(options.save, savedText, error);
    if (!read) {
        Fail(kExitBadInput, error);
        return false;
    }
    if (options.converter) {
        options.history = conversion.HistoryPath();
        options.historyGiven = true;
    }
    return true;
}

bool HistoryRenderer::ReadGame() {
    if (!ReadSave() || !CheckGameDefinition()) return false;
    const bool ownReading = !options.save.isEmpty() && !options.converter;
    if (!ownReading && !CheckHistory()) return false;
    CreateGameLoader(loader.Receive());
    loader->SetGameFile(LocalPath(options.game));
    if (ownReading) {
        SetConverterText(*loader, savedText);
        std::string().swap(savedText);  // the history holds it now
    } else if (historyPresent) {
        loader->SetConverterOutput(LocalPath(options.history));
    }
    return true;
}

int HistoryRenderer::DumpSave() {
    std::string tree;
    QString error;
    if (!DescribeSave(options.dumpSave, tree, error)) return Fail(kExitBadInput, error);
    std::cout << tree;
    std::cout.flush();
    return kExitSuccess;
}

int HistoryRenderer::DumpMapFolder() {
    MapData mapData;
    mapData.mapFolder = LocalPath(options.map);
    mapData.useRelief = !options.noRelief;
    const bool loaded = LoadMapData(mapData);
    DumpMap(mapData, loaded, std::cout);
    std::cout.flush();
    return loaded ? kExitSuccess : Fail(kExitBadInput, DiagnoseMapFolder(options));
}

int HistoryRenderer::RenderFrames() {
    const int count = loader->GetFrameCount(nullptr);
    const auto [first, last] = options.frames.value_or(std::make_pair(0, count - 1));
    if (count == 0) return Fail(kExitBadInput, "the game has no frames to draw");
    if (last >= count) {
        return Fail(kExitUsage, QString("--frames %1-%2: the game has frames 0-%3")
                                    .arg(first)
                                    .arg(last)
                                    .arg(count - 1));
    }
    if (!options.video.isEmpty()) return RenderVideo(first, last);
    std::error_code error;
    std::filesystem::create_directories(LocalPath(options.out), error);
    if (!IsFolder(options.out))
        return Fail(kExitBadInput, "cannot create the folder " + options.out);

    FrameJob job{
        options, loader.Get(), first, last, {first}, Progress(last - first + 1, options.quiet), {}};
    RunWorkers(job, std::min(options.jobs, last - first + 1), [] {});
    if (job.failure.Failed()) return Fail(kExitBadInput, job.failure.Text());
    Note(QString("%1 pictures written to %2 in %3 s")
             .arg(last - first + 1)
             .arg(AbsolutePath(options.out))
             .arg(job.progress.Seconds(), 0, 'f', 1));
    return kExitSuccess;
}

int HistoryRenderer::RenderVideo(int first, int last) {
    const std::unique_ptr<FrameEncoder> encoder = createEncoder(options.video);
    if (!encoder->Open()) return Fail(kExitBadInput, encoder->Error());
    const int workers = std::min(options.jobs, last - first + 1);
    OrderedFrames frames(first, 2 * workers);
    FrameJob job{
        options, loader.Get(), first, last, {first}, Progress(last - first + 1, options.quiet), {}};
    job.video = &frames;
    bool encoded = false;
    RunWorkers(job, workers, [&] {
        encoded = EncodeInOrder(job, frames, *encoder);
        frames.Stop();
    });
    if (job.failure.Failed()) return Fail(kExitBadInput, job.failure.Text());
    if (!encoded) return Fail(kExitBadInput, encoder->Error());
    Note(QString("%1 steps written to %2 in %3 s")
             .arg(last - first + 1)
             .arg(AbsolutePath(options.video))
             .arg(job.progress.Seconds(), 0, 'f', 1));
    return kExitSuccess;
}

int HistoryRenderer::Run() {
    if (!options.dumpSave.isEmpty()) return DumpSave();  // the save alone, no settings
    FillInputsFromSettings(options);
    const bool drawing = !options.out.isEmpty() || !options.video.isEmpty();
    if (options.dumpHistory || drawing) {
        if (!ReadGame()) return kExitBadInput;
    }
    if (options.dumpHistory) {
        DumpHistory(static_cast<GameLoaderImpl*>(loader.Get())->history, std::cout);
        std::cout.flush();
    }
    if (options.dumpMap) {
        const int code = DumpMapFolder();
        if (code != kExitSuccess) return code;
    }
    if (!drawing) return kExitSuccess;
    if (!CheckImagesFolder()) return kExitBadInput;
    return RenderFrames();
}
