#pragma once

// Makes sure a QGuiApplication exists while at least one started GuiStarter lives, so that
// fonts and text drawing work in the programs, tools and tests alike. Without a display
// the offscreen platform is used. An application the process already has is used as it
// is; the one a starter creates is destroyed when the last started starter goes.
class GuiStarter {
public:
    // programName names the application that a starter creates, as its help and messages
    // show it; "quelm" when none is given.
    explicit GuiStarter(bool start = true, const char* programName = nullptr);
    ~GuiStarter();
    GuiStarter(const GuiStarter&) = delete;
    GuiStarter& operator=(const GuiStarter&) = delete;

    bool Started() const { return started; }

private:
    bool started = false;
};
