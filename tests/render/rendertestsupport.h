#pragma once

#include <functional>
#include <string>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include "base/ref.h"
#include "game/gameloaderimpl.h"
#include "platform/guistarter.h"
#include "render/maprenderer.h"
#include "render/maprendererimpl.h"
#include "render/renderwindow.h"

// Counts the repaints a renderer asks for.
class CountingWindow : public RenderWindow {
public:
    void RequestRepaint() override { ++repaints; }
    int repaints = 0;
};

// The implementation behind a renderer, for checking its state.
inline MapRendererImpl& ImplOf(const Ref<MapRenderer>& renderer) {
    return *static_cast<MapRendererImpl*>(renderer.Get());
}

// The history behind a renderer's loader.
inline GameHistory& HistoryOf(const Ref<MapRenderer>& renderer) {
    return static_cast<GameLoaderImpl*>(ImplOf(renderer).gameLoader.Get())->history;
}

// Gives the history count frames of one territory each.
inline void FillHistory(const Ref<MapRenderer>& renderer, int count) {
    GameHistory& history = HistoryOf(renderer);
    for (int i = 0; i < count; ++i) {
        Ref<TerritoryState> territory;
        CreateTerritoryState(territory.Receive());
        territory->SetName("Germany");
        Ref<UnitStack> stack;
        CreateUnitStack(stack.Receive());
        territory->AddUnit(stack.Get());
        history.frames.push_back(HistoryFrame{{"Germany", territory}});
    }
}

// Gives the test program a QGuiApplication for its whole life, so that text is drawn.
inline void StartGuiForTests() {
    static GuiStarter* starter = new GuiStarter(true);  // kept to the end of the process
    (void)starter;
}

// Makes every map load of the renderer succeed with the map data that fill gives, and
// counts the loads.
inline void UseHandMadeMap(const Ref<MapRenderer>& renderer, std::function<void(MapData&)> fill,
                           int* loads = nullptr) {
    ImplOf(renderer).loadMapData = [fill, loads](MapData& data) {
        data.territories.clear();
        data.PlayerColours.clear();
        fill(data);
        if (loads) ++*loads;
        return true;
    };
}

// Sets the owner and production of a territory in a frame, creating its state.
inline TerritoryState& SetTerritory(GameHistory& history, std::size_t frame,
                                    const std::string& name, const std::string& owner,
                                    const std::string& production = "") {
    if (history.frames.size() <= frame) history.frames.resize(frame + 1);
    Ref<TerritoryState>& state = history.frames[frame][name];
    if (!state) CreateTerritoryState(state.Receive());
    state->SetName(name);
    state->SetOwner(owner);
    state->SetProduction(production);
    return *state;
}

// Adds a unit stack to a territory state.
inline void AddStack(TerritoryState& state, const std::string& owner, const std::string& type,
                     const std::string& quantity) {
    Ref<UnitStack> stack;
    CreateUnitStack(stack.Receive());
    stack->SetOwner(owner);
    stack->SetType(type);
    stack->SetQuantity(quantity);
    state.AddUnit(stack.Get());
}

// Writes a PNG of one colour and returns its path.
inline std::string WritePng(const std::string& path, int width, int height,
                            QRgb colour = 0xFF808080) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    image.save(file, "PNG");
    return path;
}
