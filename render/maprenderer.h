#pragma once

#include <cstdint>
#include <string>

#include "base/unknown.h"
#include "game/gameloader.h"
#include "platform/tickclock.h"

class QImage;
class LoadingDialogHost;
class RenderWindow;

// Draws the frames of a game history on a map, steps through them and exports them. The
// programs create one, hand it every setting, and then only paint, navigate and export.
class MapRenderer : public Unknown {
public:
    virtual void SetMapFolder(const std::string& folder) = 0;
    virtual void SetImagesFolder(const std::string& folder) = 0;
    virtual void SetWidth(std::int32_t width) = 0;
    virtual void SetHeight(std::int32_t height) = 0;
    virtual void SetTileHeight(std::int32_t height) = 0;
    virtual void SetTileWidth(std::int32_t width) = 0;
    virtual void SetUnitColour(std::int32_t red, std::int32_t green, std::int32_t blue) = 0;
    virtual void SetFrameDelay(std::int32_t milliseconds) = 0;
    virtual void SetLastFrameDelay(std::int32_t milliseconds) = 0;
    virtual void SetLargeFlags(bool large) = 0;
    virtual void SetTerritoryLabels(bool labels) = 0;
    virtual void SetUnitQuantities(bool quantities) = 0;
    virtual void SetUseRelief(bool relief) = 0;
    virtual void SetZoom(double zoom) = 0;
    virtual double GetZoom() = 0;
    virtual std::int32_t GetScaledMapHeight() = 0;
    virtual std::int32_t GetScaledMapWidth() = 0;
    virtual void SetOffsetX(std::int32_t x) = 0;
    virtual std::int32_t GetOffsetX() = 0;
    virtual void SetOffsetY(std::int32_t y) = 0;
    virtual std::int32_t GetOffsetY() = 0;
    // Hands out the renderer's game loader with a reference of the caller's own.
    virtual void GetGameLoader(GameLoader** out) = 0;
    virtual void NextFrame(bool wrap) = 0;
    virtual void PrevFrame(bool wrap) = 0;
    virtual int RunLoadingDialog(LoadingDialogHost* host) = 0;
    virtual bool ExportJpeg(std::int32_t width, std::int32_t height, const std::string& path) = 0;
    // Composes the current frame into view, a viewWidth x viewHeight image that the window
    // then copies in one operation. Returns true when it drew the frame.
    virtual bool Paint(RenderWindow* window, QImage* view) = 0;
    virtual void Tick() = 0;
    // Marks what changed since the previous step: territories that changed owner and
    // capitals that changed hands.
    virtual void SetChangeMarks(bool marks) = 0;
    // The frame on show, counted from 0: the last one until the viewer steps away from it;
    // -1 when the history has no frames.
    virtual std::int32_t GetCurrentFrame() = 0;
    // Shows the given frame, clamped to the frames there are, as stepping to it would.
    virtual void GoToFrame(std::int32_t frame) = 0;
    // Lets a worker thread draw the frame that the turn animation shows next while the
    // current one is on screen. Tick then steps only once that frame is drawn, and never
    // waits for it: until then the current frame stays. Off at creation.
    virtual void SetPrepareAhead(bool ahead) = 0;
    virtual ~MapRenderer() = default;
};

// What the creator of a renderer decides: the seed of its pseudo-random generator (the
// colours of territories whose owner has none) and the millisecond clock of its animation.
struct RendererEnvironment {
    std::uint32_t randomSeed = 1;
    TickClock tickCount = SteadyTickCount;
};

// Creates a renderer with its game loader and hands the caller its one reference. Returns
// 0, or the loader factory's failure code (out is then not written).
HResult CreateMapRenderer(MapRenderer** out, const RendererEnvironment& environment = {});
