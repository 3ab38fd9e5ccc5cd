#include "app/startup.h"

#include <QWidget>

#include <algorithm>
#include <ctime>
#include <limits>

#include "render/loadingdialoghost.h"
#include "settings/converterlaunch.h"
#include "settings/settingsstore.h"

namespace {

// Steps shared by the start-up and the reapplication: the loader's inputs and every
// drawing setting, in this order.
void HandSettingsToRenderer(MapRenderer& renderer, const Settings& settings) {
    Ref<GameLoader> loader;
    renderer.GetGameLoader(loader.Receive());
    if (loader) {
        loader->SetGameFile(settings.game_config);
        loader->SetConverterOutput(GetConverterOutputPath());
    }
    renderer.SetImagesFolder(settings.images_directory);
    renderer.SetMapFolder(settings.maps_directory);
    renderer.SetLargeFlags(settings.big_flags);
    renderer.SetTerritoryLabels(settings.region_labels);
    renderer.SetUnitQuantities(settings.unit_quantities);
    renderer.SetUseRelief(settings.relief_tiles);
    renderer.SetUnitColour(settings.unit_red, settings.unit_green, settings.unit_blue);
    renderer.SetFrameDelay(DelayMilliseconds(settings.previous_delay));
    renderer.SetLastFrameDelay(DelayMilliseconds(settings.current_delay));
    renderer.SetChangeMarks(Application().changeMarks);
}

}  // namespace

std::int32_t DelayMilliseconds(std::int32_t seconds) {
    const std::int64_t milliseconds = std::int64_t{seconds} * 1000;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(milliseconds, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

ApplicationState& Application() {
    static ApplicationState state;
    return state;
}

void InitialiseRenderer(QWidget* window, LoadingDialogHost* loadingDialog) {
    ApplicationState& app = Application();
    if (app.renderer) return;
    if (!app.guiStarter) app.guiStarter = std::make_unique<GuiStarter>();
    RendererEnvironment environment;
    environment.randomSeed = static_cast<std::uint32_t>(std::time(nullptr));
    if (CreateMapRenderer(app.renderer.Receive(), environment) < 0) return;
    MapRenderer& renderer = *app.renderer;

    LoadSettings();
    const Settings& settings = ProcessSettings();
    HandSettingsToRenderer(renderer, settings);
    const QSize outer = window->frameGeometry().size();
    app.viewWidth = outer.width();
    app.viewHeight = outer.height();
    renderer.SetHeight(app.viewHeight);
    renderer.SetWidth(app.viewWidth);
    renderer.SetOffsetX(-app.viewWidth);
    renderer.SetZoom(settings.zoom_factor * 0.01);
    if (loadingDialog) renderer.RunLoadingDialog(loadingDialog);
}

void ApplySettingsToRenderer(QWidget* window) {
    ApplicationState& app = Application();
    if (!app.renderer) return;
    HandSettingsToRenderer(*app.renderer, ProcessSettings());
    window->update();
}

void ReleaseRenderer() { Application().renderer.Reset(); }

void ReleaseGuiStarter() { Application().guiStarter.reset(); }

void SetViewSize(const QSize& size) {
    ApplicationState& app = Application();
    if (!app.renderer) return;
    app.viewWidth = size.width();
    app.viewHeight = size.height();
    app.renderer->SetHeight(app.viewHeight);
    app.renderer->SetWidth(app.viewWidth);
}
