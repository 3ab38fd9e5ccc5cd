#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "base/ref.h"
#include "game/gameloader.h"
#include "map/mapdata.h"
#include "map/mapload.h"
#include "map/tile.h"
#include "platform/tickclock.h"
#include "render/canvas.h"
#include "render/framepreparer.h"
#include "render/loadingdialoghost.h"
#include "render/maprenderer.h"
#include "render/outlinestamps.h"
#include "render/randomgenerator.h"

// The owner of territories that nobody holds, and the player of frames without one.
inline constexpr char kNeutralPlayer[] = "Neutral";

// The renderer's operations and state. The reference count is added by RefCounted in
// CreateMapRenderer; the drawing, animation and export operations live in the files of
// their subjects.
class MapRendererImpl : public MapRenderer {
public:
    explicit MapRendererImpl(const RendererEnvironment& environment);
    ~MapRendererImpl() override;
    MapRendererImpl(const MapRendererImpl&) = delete;
    MapRendererImpl& operator=(const MapRendererImpl&) = delete;

    // Creates the game loader; a negative result means the renderer must not be used.
    HResult CreateLoader();

    void SetMapFolder(const std::string& folder) override;
    void SetImagesFolder(const std::string& folder) override;
    void SetWidth(std::int32_t width) override;
    void SetHeight(std::int32_t height) override;
    void SetTileHeight(std::int32_t height) override;
    void SetTileWidth(std::int32_t width) override;
    void SetUnitColour(std::int32_t red, std::int32_t green, std::int32_t blue) override;
    void SetFrameDelay(std::int32_t milliseconds) override;
    void SetLastFrameDelay(std::int32_t milliseconds) override;
    void SetLargeFlags(bool large) override;
    void SetTerritoryLabels(bool labels) override;
    void SetUnitQuantities(bool quantities) override;
    void SetUseRelief(bool relief) override;
    void SetZoom(double value) override;
    double GetZoom() override;
    std::int32_t GetScaledMapHeight() override;
    std::int32_t GetScaledMapWidth() override;
    void SetOffsetX(std::int32_t x) override;
    std::int32_t GetOffsetX() override;
    void SetOffsetY(std::int32_t y) override;
    std::int32_t GetOffsetY() override;
    void GetGameLoader(GameLoader** out) override;
    void NextFrame(bool wrap) override;
    void PrevFrame(bool wrap) override;
    int RunLoadingDialog(LoadingDialogHost* host) override;
    bool ExportJpeg(std::int32_t width, std::int32_t height, const std::string& path) override;
    bool Paint(RenderWindow* window, QImage* view) override;
    void Tick() override;
    void SetChangeMarks(bool marks) override;
    std::int32_t GetCurrentFrame() override;
    void GoToFrame(std::int32_t frame) override;
    void SetPrepareAhead(bool ahead) override;

    // A zoomed length: ceil(zoom * n), or n itself while 0.99 < zoom < 1.01.
    std::int32_t ScaleByZoom(std::int32_t n) const;

    // Frees every cached frame image and empties frameCache and frameDirty, so that the
    // next paint or loading walk draws every frame afresh.
    void ClearFrameCache();
    // Asks the window for a repaint once one is known.
    void Repaint();
    std::int32_t FrameCount();

    // Frame cache and frame drawing (framedrawing.cpp).
    // Resolves a negative currentFrame to the last frame and, when the cache is shorter
    // than the history, lengthens it and marks every frame dirty.
    void SizeFrameCache();
    // Frees one cached frame image when more than cacheLimit are held.
    void EvictFrame();
    // Draws frameCache[currentFrame] afresh; ready tells whether it succeeded.
    void PrepareFrame();
    // Loads the map and draws the current frame's image; false when it cannot be drawn.
    bool DrawCurrentFrame();
    // Draws the tile grid. With under, the canvas is known to hold that opaque colour under
    // every cell, and each tile is drawn as composed over it once and kept.
    void DrawTiles(Canvas& canvas, std::optional<Argb> under = std::nullopt);
    const QImage& TileOver(const Ref<Tile>& tile, Argb under);
    void DrawTerritories(Canvas& canvas);
    // Paint's work on a canvas over the view image (or a NullCanvas when there is none).
    bool PaintOn(Canvas& canvas, RenderWindow* target);
    void DrawInvalidConfiguration(Canvas& canvas);
    // The copies of the frame side by side across the view, w x h each, from offsetX.
    void DrawMapCopies(Canvas& canvas, const QImage& frame, std::int32_t y, std::int32_t w,
                       std::int32_t h);
    // The current frame already scaled to w x h: the frame itself at its own size, otherwise
    // a copy kept per cached frame until that frame or the size changes, so that an animation
    // swinging over the cached frames scales each of them once (or the frame itself when a
    // copy would be too large; the canvas then scales while drawing).
    const QImage& ScaledFrame(const QImage& frame, std::int32_t w, std::int32_t h);
    // Drops every scaled copy, or the one of a frame.
    void DropScaledFrame();
    void DropScaledFrame(std::size_t slot);
    // Drops the copies of other frames, farthest from slot first, while the copies together
    // take more than their memory budget.
    void KeepScaledFramesWithinBudget(std::size_t slot);

    // Flags, units and the overlay (unitsandflags.cpp).
    // The cached or newly read flag image of a player.
    const QImage& FlagImage(const std::string& player);
    const QImage& UnitImage(const std::string& path);
    void DrawCapitalFlag(Canvas& canvas, const Territory& territory, const std::string& owner);
    void DrawUnits(Canvas& canvas, const Territory& territory, TerritoryState& state);
    // The flag of the player on move and the frame's caption, top left.
    void DrawOverlay(Canvas& canvas);
    // The current frame stretched to width x height with its overlay, as the export saves
    // it; a null image when that size cannot be allocated.
    QImage ComposeExportImage(std::int32_t width, std::int32_t height);

    // Marks on what changed since the previous frame (changemarks.cpp), drawn over the
    // finished frame: a band along every territory whose owner changed, a ring around the
    // flag of a capital that changed hands. The first frame has none.
    void DrawChangeMarks(Canvas& canvas);
    void DrawCapitalRing(Canvas& canvas, const Territory& territory, const std::string& owner);
    // The owner of a territory in a frame as the frame is drawn: "Neutral" when none.
    std::string OwnerAt(std::int32_t frame, const std::string& territory);

    // The animation's step (animation.cpp): the turn of Tick that moves currentFrame.
    void StepAnimation();

    // Frames prepared ahead on the worker (prepareahead.cpp).
    // Stops the worker's drawing and drops what it drew (before the loader is handed out).
    void StopPreparingAhead();
    // The frame the next animation step moves to, when the worker may draw it; -1 otherwise.
    std::int32_t NextSwingFrame();
    bool NeedsPreparing(std::int32_t frame) const;
    // True when the worker's finished drawing of frame is what a preparation here would draw.
    bool PreparedAheadFits(std::int32_t frame) const;
    // A renderer for the worker, with copies of what drawing frame reads and changes.
    Ref<MapRendererImpl> MakeFrameDrawer(std::int32_t frame) const;
    // The worker's part, on the drawer: prepares its current frame and its scaled copy.
    void DrawFrameAhead();
    // Takes a finished drawing and starts the next one the animation needs.
    void PrepareNextFrameAhead();
    // True while the frame the next step shows is still being drawn by the worker.
    bool WaitingForFramePreparedAhead();
    // Puts the worker's drawing of the current frame into the cache, as PrepareFrame would.
    void ShowFramePreparedAhead();

    // The loading dialog's walk over the frames (loadingprogress.cpp).
    std::int32_t StartLoadingWalk();
    bool StepLoadingWalk(std::int32_t& position);

    std::string imagesFolder;
    std::int32_t viewHeight = 0;
    std::int32_t viewWidth = 0;
    MapData mapData;  // the map folder, tile size, tiles, territories, colours, map size
    std::vector<QImage> frameCache;  // a null image where a frame is not cached
    std::vector<std::uint8_t> frameDirty;
    RenderWindow* window = nullptr;
    std::map<std::string, Ref<Tile>> flagImages;  // player name to flag image
    OutlineStamps outlineStamps;  // the map's outlines as rasterized once
    // Each tile of the last frame composed over the frame's first colour, opaque.
    struct ComposedTile {
        Ref<Tile> tile;
        Argb under = 0;
        QImage image;
        bool used = false;
    };
    std::map<const Tile*, ComposedTile> composedTiles;
    std::map<std::string, Ref<Tile>> unitImages;  // image path to unit image
    Ref<GameLoader> gameLoader;
    bool ready = false;
    double zoom = 0.4;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    bool largeFlags = false;
    bool territoryLabels = false;
    bool unitQuantities = false;
    bool changeMarks = false;
    std::int32_t unitRed = 255;
    std::int32_t unitGreen = 0;
    std::int32_t unitBlue = 246;
    std::int32_t direction = -1;
    std::int32_t currentFrame = -1;
    std::int32_t savedFrame = 0;
    std::int32_t loadingWalkPrepared = 0;  // frames the loading walk has prepared so far
    std::uint32_t lastTickTime = 0;
    std::int32_t frameDelay = 500;
    std::int32_t lastFrameDelay = 5000;
    std::int32_t cacheLimit = 10;
    RandomGenerator random;
    TickClock tickCount;
    // Reads the map folder into mapData; tests put hand-made map data in its place.
    std::function<bool(MapData&)> loadMapData = LoadMapData;
    // A cached frame at the current zoom, and the cache key of the frame image it was made from.
    struct ScaledCopy {
        QImage image;
        std::int64_t source = 0;
    };
    std::vector<ScaledCopy> scaledFrames;  // by frame, see ScaledFrame
    // The worker while frames are prepared ahead; a frame it drew, until the animation shows
    // it; and the random state that drawing began from.
    std::unique_ptr<FramePreparer> preparer;
    Ref<MapRendererImpl> preparedAhead;
    RandomGenerator preparedAheadRandom;
};
