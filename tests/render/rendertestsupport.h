#pragma once

#include "game/gameloaderimpl.h"
#include "game/ref.h"
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
