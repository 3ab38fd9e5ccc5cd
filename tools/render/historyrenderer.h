#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "base/ref.h"
#include "frameencoder.h"
#include "game/gameloader.h"
#include "renderoptions.h"
#include "savedgame.h"

// Exit codes of quelm_render.
enum ExitCode { kExitSuccess = 0, kExitBadInput = 1, kExitUsage = 2 };

// Reads a game's files and draws its frames into pictures, one renderer per worker, or
// prints what was read. Run returns the exit code; messages go to standard error.
class HistoryRenderer {
public:
    explicit HistoryRenderer(RenderOptions options) : options(std::move(options)) {}
    int Run();

    // Makes the encoder of --video; tests put one that keeps the frames in its place.
    std::function<std::unique_ptr<FrameEncoder>(const QString& path)> createEncoder =
        CreateFfmpegEncoder;

private:
    bool CheckGameDefinition();
    bool CheckHistory();
    bool CheckImagesFolder();
    bool ReadSave();
    bool ReadGame();
    int DumpSave();
    int DumpMapFolder();
    int RenderFrames();
    int RenderVideo(int first, int last);
    int Fail(int code, const QString& message);
    void Note(const QString& message) const;

    RenderOptions options;
    bool historyPresent = false;
    std::string savedText;           // the save as Quelm's reader read it, until it is loaded
    SavedGameConversion conversion;  // with --converter: its history lives as long as this
    Ref<GameLoader> loader;
};

// Why the map folder of options cannot be drawn, naming the folder or file and the cause:
// a missing, unreadable or special file, a file that ends inside a point, or a map size
// out of range.
QString DiagnoseMapFolder(const RenderOptions& options);
