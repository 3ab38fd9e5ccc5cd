#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The kinds of animation quelm_render writes, told by the file's name.
enum class VideoKind { Mp4, WebM, Gif };
std::optional<VideoKind> VideoKindOf(const QString& path);

// Takes the frames of one animation in order and writes the file. The frames are
// Format_RGB32 images of the size given to Start.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    // Before any frame is drawn: whether the animation can be written at all.
    virtual bool Open() = 0;
    virtual bool Start(QSize size, double fps) = 0;
    virtual bool Add(const QImage& frame) = 0;
    // Completes the file; until then nothing exists under its name.
    virtual bool Finish() = 0;
    // What failed, in one line.
    virtual QString Error() const = 0;
};

// Encodes with Debian's ffmpeg, fed the raw frames on its standard input. The file is
// written under a temporary name beside path and renamed when complete; a failure or an
// encoder destroyed before Finish leaves nothing behind.
std::unique_ptr<FrameEncoder> CreateFfmpegEncoder(const QString& path);

// ffmpeg's arguments for an animation of kind from raw frames of size at fps into output.
QStringList FfmpegArguments(VideoKind kind, QSize size, double fps, const QString& output);

// The animation's size when none is given: the map scaled down to fit 1920 x 1080, keeping
// its proportions, in even numbers of pixels (as H.264 and VP9 want them); a smaller map
// keeps its size.
QSize DefaultVideoSize(QSize map);

// How many times the last frame is shown so that it stays hold seconds (at least once).
int LastFrameRepeats(double fps, double hold);
