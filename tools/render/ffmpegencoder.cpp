#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "base/outputpath.h"
#include "base/pathutil.h"
#include "frameencoder.h"

namespace {

constexpr QSize kLargestDefaultSize(1920, 1080);
// Frames waiting in the pipe to ffmpeg; more would only hold memory.
constexpr qint64 kPipeBacklogBytes = qint64{32} << 20;

class FfmpegEncoder : public FrameEncoder {
public:
    explicit FfmpegEncoder(const QString& path) : path(path) {}
    ~FfmpegEncoder() override { Abandon(); }

    bool Open() override;
    bool Start(QSize size, double fps) override;
    bool Add(const QImage& frame) override;
    bool Finish() override;
    QString Error() const override { return error; }

private:
    bool Fail(const QString& message) {
        error = message;
        Abandon();
        return false;
    }
    bool FailWithFfmpegMessage();
    void Abandon();

    QString path;
    QString program;
    std::string partPath;  // the temporary file beside the target, as the file system's bytes
    std::unique_ptr<PathStandIn> partName;  // what ffmpeg is told to write
    QProcess process;
    QString error;
    QSize size;
};

// The last line ffmpeg wrote, which says why it stopped.
QString LastLine(const QByteArray& output) {
    const QStringList lines = QString::fromLocal8Bit(output).split('\n', Qt::SkipEmptyParts);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const QString trimmed = line->trimmed();
        if (!trimmed.isEmpty()) return trimmed;
    }
    return QString();
}

bool FfmpegEncoder::Open() {
    program = QStandardPaths::findExecutable("ffmpeg");
    if (program.isEmpty()) {
        return Fail("ffmpeg is needed to write " + path +
                    " but is not installed (apt-get install ffmpeg)");
    }
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::absolute(PathBytes(path), error);
    if (fs::is_directory(target, error)) return Fail("cannot write " + path + ": it is a folder");
    // A hidden name of this process beside the target; made here, with the permissions a
    // new file gets, so that a folder that cannot take the file fails before any drawing.
    const std::string part = (target.parent_path() / ("." + target.filename().string() + "." +
                                                      std::to_string(::getpid()) + ".part"))
                                 .string();
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Fail("cannot write " + path + ": the folder " +
                    PathText(target.parent_path().string()) + " does not exist or is not writable");
    }
    ::close(fd);
    partPath = part;
    partName = std::make_unique<PathStandIn>(partPath);
    return true;
}

bool FfmpegEncoder::Start(QSize frameSize, double fps) {
    size = frameSize;
    // A write to an ffmpeg that has stopped must fail and be reported, not end this process.
    std::signal(SIGPIPE, SIG_IGN);
    process.setProgram(program);
    process.setArguments(FfmpegArguments(*VideoKindOf(path), size, fps, partName->Text()));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) return Fail("cannot start " + program);
    return true;
}

bool FfmpegEncoder::Add(const QImage& frame) {
    if (frame.size() != size || frame.format() != QImage::Format_RGB32) {
        return Fail("a frame of an unexpected size or format");
    }
    process.write(reinterpret_cast<const char*>(frame.constBits()), frame.sizeInBytes());
    while (process.bytesToWrite() > kPipeBacklogBytes) {
        if (!process.waitForBytesWritten(-1)) return FailWithFfmpegMessage();
    }
    return true;
}

bool FfmpegEncoder::Finish() {
    while (process.bytesToWrite() > 0) {
        if (!process.waitForBytesWritten(-1)) return FailWithFfmpegMessage();
    }
    process.closeWriteChannel();
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return FailWithFfmpegMessage();
    }
    // rename replaces an older file of the same name in one step.
    if (std::rename(partPath.c_str(), PathBytes(path).c_str()) != 0) {
        return Fail("cannot write " + path + ": " + QString::fromLocal8Bit(std::strerror(errno)));
    }
    partPath.clear();
    partName.reset();
    return true;
}

bool FfmpegEncoder::FailWithFfmpegMessage() {
    process.waitForFinished(-1);
    QString message = LastLine(process.readAllStandardError());
    if (partName) message = partName->Unmasked(message);
    if (message.isEmpty()) message = process.errorString();
    return Fail("ffmpeg failed to write " + path + ": " + message);
}

void FfmpegEncoder::Abandon() {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(-1);
    }
    if (!partPath.empty()) ::unlink(partPath.c_str());
    partPath.clear();
    partName.reset();
}

}  // namespace

std::optional<VideoKind> VideoKindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "mp4") return VideoKind::Mp4;
    if (suffix == "webm") return VideoKind::WebM;
    if (suffix == "gif") return VideoKind::Gif;
    return std::nullopt;
}

std::unique_ptr<FrameEncoder> CreateFfmpegEncoder(const QString& path) {
    return std::make_unique<FfmpegEncoder>(path);
}

QStringList FfmpegArguments(VideoKind kind, QSize size, double fps, const QString& output) {
    QStringList arguments{"-hide_banner", "-loglevel",
                          "error",        "-f",
                          "rawvideo",     "-pixel_format",
                          "bgr0",  // Format_RGB32 in memory, little-endian
                          "-video_size",  QString("%1x%2").arg(size.width()).arg(size.height()),
                          "-framerate",   QString::number(fps),
                          "-i",           "pipe:0"};
    switch (kind) {
        case VideoKind::Mp4:
            arguments << "-c:v"
                      << "libx264"
                      << "-preset"
                      << "veryfast"
                      << "-crf"
                      << "20"
                      << "-pix_fmt"
                      << "yuv420p"
                      << "-movflags"
                      << "+faststart"
                      << "-f"
                      << "mp4";
            break;
        case VideoKind::WebM:
            arguments << "-c:v"
                      << "libvpx-vp9"
                      << "-crf"
                      << "32"
                      << "-b:v"
                      << "0"
                      << "-deadline"
                      << "good"
                      << "-cpu-used"
                      << "4"
                      << "-row-mt"
                      << "1"
                      << "-pix_fmt"
                      << "yuv420p"
                      << "-f"
                      << "webm";
            break;
        case VideoKind::Gif:
            // One palette made from every frame, then each frame dithered onto it.
            arguments << "-filter_complex"
                      << "split[frames][sample];[sample]palettegen=stats_mode=full[palette];"
                         "[frames][palette]paletteuse=dither=sierra2_4a"
                      << "-f"
                      << "gif";
            break;
    }
    arguments << "-y" << output;
    return arguments;
}

QSize DefaultVideoSize(QSize map) {
    if (map.isEmpty()) return map;
    QSize fitted = map;
    if (map.width() > kLargestDefaultSize.width() || map.height() > kLargestDefaultSize.height())
        fitted = map.scaled(kLargestDefaultSize, Qt::KeepAspectRatio);
    return QSize(std::max(2, fitted.width() & ~1), std::max(2, fitted.height() & ~1));
}

int LastFrameRepeats(double fps, double hold) {
    return std::max(1, static_cast<int>(std::lround(fps * hold)));
}
