#pragma once

// The window side of the renderer's loading dialog: a modal dialog with a progress bar
// whose 100 ms timer drives the renderer's frame walk. The programs implement it with a
// real dialog; headless tools and tests drive the walk directly.
class LoadingDialogHost {
public:
    // Runs the dialog until the walk is complete and returns the dialog's result.
    virtual int RunModal() = 0;
    virtual ~LoadingDialogHost() = default;
};
