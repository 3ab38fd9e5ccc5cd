#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QImage>

#include "game/gameloader.h"
#include "game/ref.h"
#include "map/mapdata.h"
#include "map/tile.h"
#include "platform/tickclock.h"
#include "render/maprenderer.h"
#include "render/randomgenerator.h"

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

    // A zoomed length: ceil(zoom * n), or n itself while 0.99 < zoom < 1.01.
    std::int32_t ScaleByZoom(std::int32_t n) const;

    // Frees every cached frame image and empties frameCache and frameDirty, so that the
    // next paint or loading walk draws every frame afresh.
    void ClearFrameCache();
    // Asks the window for a repaint once one is known.
    void Repaint();
    std::int32_t FrameCount();

    std::string imagesFolder;
    std::int32_t viewHeight = 0;
    std::int32_t viewWidth = 0;
    MapData mapData;  // the map folder, tile size, tiles, territories, colours, map size
    std::vector<QImage> frameCache;  // a null image where a frame is not cached
    std::vector<std::uint8_t> frameDirty;
    RenderWindow* window = nullptr;
    std::map<std::string, Ref<Tile>> flagImages;  // player name to flag image
    std::map<std::string, Ref<Tile>> unitImages;  // image path to unit image
    Ref<GameLoader> gameLoader;
    bool ready = false;
    double zoom = 0.4;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    bool largeFlags = false;
    bool territoryLabels = false;
    bool unitQuantities = false;
    std::int32_t unitRed = 255;
    std::int32_t unitGreen = 0;
    std::int32_t unitBlue = 246;
    std::int32_t direction = -1;
    std::int32_t currentFrame = -1;
    std::int32_t savedFrame = 0;
    std::uint32_t lastTickTime = 0;
    std::int32_t frameDelay = 500;
    std::int32_t lastFrameDelay = 5000;
    std::int32_t cacheLimit = 10;
    RandomGenerator random;
    TickClock tickCount;
};
