#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What the command line of quelm_render asks for. Inputs left out are filled from the
// saved settings, as the viewer would read them.
struct RenderOptions {
    QString game;
    QString history;
    bool historyGiven = false;  // on the command line, not from the settings
    QString save;               // a saved game read into the history
    bool converter = false;     // read the save with the Java converter, not Quelm's reader
    QString java;               // the runtime and jar that run the converter
    QString tripleaJar;
    QString map;
    QString images;
    bool labels = false;
    bool quantities = false;
    bool smallFlags = false;
    bool noRelief = false;
    // The drawing choices the command line made; the others come from the settings.
    std::optional<bool> labelsGiven, quantitiesGiven, smallFlagsGiven, noReliefGiven;
    QString out;
    QString format = "png";
    QSize size;                                 // empty: the map's own size
    std::optional<std::pair<int, int>> frames;  // inclusive
    int jobs = 1;
    std::uint32_t seed = 1;
    bool quiet = false;
    bool dumpHistory = false;
    bool dumpMap = false;
    QString dumpSave;  // a saved game whose history tree is printed, needing nothing else
    // One animation of the frames instead of pictures: .mp4, .webm or .gif.
    QString video;
    double fps = 4;        // steps a second
    double hold = 2;       // seconds the last step stays
    bool changes = false;  // marks on what changed since the previous step
    // Where an input's path came from when the command line did not give it, as messages
    // put it after the path: " (from the saved settings)" or " (the default)".
    QString gameSource;
    QString historySource;
    QString mapSource;
    QString imagesSource;
};

// Reads the command line. Returns the options, or an error text for a usage error (an
// empty text when only the help was asked for, which has been printed).
struct ParsedOptions {
    std::optional<RenderOptions> options;
    QString error;
    bool helpShown = false;
};
ParsedOptions ParseRenderOptions(const QStringList& arguments);

// Fills the inputs the command line left out from the saved settings.
void FillInputsFromSettings(RenderOptions& options);
