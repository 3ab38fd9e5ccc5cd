#pragma once

#include <cstdint>
#include <vector>

// The renderer's side of the loading dialog: the walk that prepares the frames one by one.
class LoadingWalk {
public:
    // Called once when the dialog opens. Sizes the frame cache and returns the progress
    // bar's maximum, the number of frames the walk will prepare; its minimum is 0.
    virtual std::int32_t Start() = 0;
    // Called on every 100 ms tick. Prepares one frame and sets position to the progress
    // bar's new position, the number of frames prepared so far; returns false, with position untouched, once the walk
    // is complete and the dialog must close with result 0.
    virtual bool Step(std::int32_t& position) = 0;
    virtual ~LoadingWalk() = default;
};

// The window side of the loading dialog: a modal window without caption or buttons showing
// "Loading Tiles ..." and a progress bar, centred on the screen, whose 100 ms timer drives
// the walk. The viewer implements it with a real dialog.
class LoadingDialogHost {
public:
    // Runs the dialog until the walk is complete and returns the dialog's result.
    virtual int RunModal(LoadingWalk& walk) = 0;
    virtual ~LoadingDialogHost() = default;
};

// Runs the walk at once, without a window or a timer, remembering what a progress bar
// would have shown. For tools, benchmarks and tests.
class HeadlessLoadingHost : public LoadingDialogHost {
public:
    int RunModal(LoadingWalk& walk) override;

    std::int32_t maximum = -1;
    std::vector<std::int32_t> positions;
};
