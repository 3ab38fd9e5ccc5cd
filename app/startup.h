#pragma once

#include <QSize>

#include <cstdint>
#include <memory>

#include "base/ref.h"
#include "platform/guistarter.h"
#include "render/maprenderer.h"
#include "settings/presets.h"
#include "settings/settings.h"

class QWidget;
class LoadingDialogHost;

// What each program holds for its whole life besides its settings record: the version
// list of the configuration dialog, the usage-counted GUI starter taken at start-up, its one
// renderer (absent until created, and when creation failed) and the view size last handed
// to it.
struct ApplicationState {
    VersionList versions;
    std::unique_ptr<GuiStarter> guiStarter;
    Ref<MapRenderer> renderer;
    int viewWidth = 0;
    int viewHeight = 0;
    bool changeMarks = false;  // the viewer's "Show Changes"; the screen saver leaves it off
};

ApplicationState& Application();

// Creates the renderer, reads the settings and hands them over with the view size of
// window (its outer size), an offset of minus the view width and the stored zoom; then,
// when loadingDialog is given, runs it. Does nothing when a renderer already exists.
void InitialiseRenderer(QWidget* window, LoadingDialogHost* loadingDialog);

// Hands the settings to the renderer again after the configuration dialog, without the
// view size, offset and zoom, and repaints window.
void ApplySettingsToRenderer(QWidget* window);

// Stores the view size and hands it to the renderer (height, then width), when there is one.
void SetViewSize(const QSize& size);

// A delay of the settings in seconds as the renderer's milliseconds, computed in 64 bits and
// kept within 32 bits: a delay too long for them becomes the longest one.
std::int32_t DelayMilliseconds(std::int32_t seconds);

// Releases the renderer (the screen saver does so when its window closes).
void ReleaseRenderer();

// Destroys the GUI starter taken at start-up (the screen saver does so when its window
// closes; the viewer keeps it to the end).
void ReleaseGuiStarter();
