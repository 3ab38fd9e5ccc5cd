#include "renderoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

#include "base/pathutil.h"
#include "render/imagefile.h"
#include "settings/converterlaunch.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

namespace {

const char* const kDescription =
    "Draws every step of a TripleA game as pictures, exactly as the Quelm viewer shows and "
    "exports them, or prints what Quelm reads from a game's files. Inputs left out are "
    "taken from the saved Quelm settings.";

// WIDTHxHEIGHT, both above 0. A size past the image limit (numbers too long to read
// included) gives an empty size.
std::optional<QSize> ParseSize(const QString& text) {
    const QRegularExpressionMatch match = QRegularExpression("^(\\d+)x(\\d+)$").match(text);
    if (!match.hasMatch()) return std::nullopt;
    bool widthRead = false;
    bool heightRead = false;
    const qlonglong width = match.captured(1).toLongLong(&widthRead);
    const qlonglong height = match.captured(2).toLongLong(&heightRead);
    if ((widthRead && width < 1) || (heightRead && height < 1)) return std::nullopt;
    if (!widthRead || !heightRead || !ImageFitsLimit(width, height)) return QSize();
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

std::optional<std::pair<int, int>> ParseRange(const QString& text) {
    const QRegularExpressionMatch match = QRegularExpression("^(\\d{1,9})-(\\d{1,9})$").match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).toInt();
    if (first > last) return std::nullopt;
    return std::make_pair(first, last);
}

std::optional<std::uint32_t> ParseNumber(const QString& text, std::uint32_t smallest) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value < smallest || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

ParsedOptions ParseRenderOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions({
        {"game", "TripleA game definition (XML).", "file"},
        {"history", "Converter text of the game's history.", "file"},
        {"map", "TripleA map folder.", "dir"},
        {"images", "TripleA image folder (flags and units).", "dir"},
        {"labels", "Draw territory labels."},
        {"quantities", "Draw unit quantities."},
        {"small-flags", "Use the small flags."},
        {"no-relief", "Do not use relief tiles."},
        {"out", "Write one picture per frame into this folder.", "dir"},
        {"format", "Picture format: png or jpg (default png).", "png|jpg", "png"},
        {"size", "Stretch each picture to this size (default: the map's own).", "WxH"},
        {"frames", "Only these frames, inclusive (default: all).", "A-B"},
        {"jobs", "Frames drawn at once (default: the number of processor cores).", "n"},
        {"seed", "Seed of the colours of owners without a colour (default 1).", "n", "1"},
        {"quiet", "No progress on standard error."},
        {"dump-history", "Print the frames, territories and units read."},
        {"dump-map", "Print what the map folder gave."},
    });
    ParsedOptions parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        parsed.helpShown = true;
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error = "unexpected argument " + parser.positionalArguments().front();
        return parsed;
    }

    RenderOptions options;
    options.game = parser.value("game");
    options.history = parser.value("history");
    options.historyGiven = parser.isSet("history");
    options.map = parser.value("map");
    options.images = parser.value("images");
    options.labels = parser.isSet("labels");
    options.quantities = parser.isSet("quantities");
    options.smallFlags = parser.isSet("small-flags");
    options.noRelief = parser.isSet("no-relief");
    options.out = parser.value("out");
    options.quiet = parser.isSet("quiet");
    options.dumpHistory = parser.isSet("dump-history");
    options.dumpMap = parser.isSet("dump-map");
    options.format = parser.value("format");
    options.jobs = std::max(1, QThread::idealThreadCount());

    auto fail = [&parsed](const QString& error) {
        parsed.error = error;
        return parsed;
    };
    if (options.format != "png" && options.format != "jpg") {
        return fail("--format must be png or jpg, not " + options.format);
    }
    if (parser.isSet("size")) {
        const std::optional<QSize> size = ParseSize(parser.value("size"));
        if (!size) return fail("--size wants WIDTHxHEIGHT, for example 1920x1080");
        if (size->isEmpty()) {
            return fail(QString("--size %1 is too large: a picture holds at most %2 pixels "
                                "(for example 16384x8192)")
                            .arg(parser.value("size"))
                            .arg(kMaxImageBytes / 4));
        }
        options.size = *size;
    }
    if (parser.isSet("frames")) {
        options.frames = ParseRange(parser.value("frames"));
        if (!options.frames) return fail("--frames wants FIRST-LAST, for example 0-9");
    }
    if (parser.isSet("jobs")) {
        const std::optional<std::uint32_t> jobs = ParseNumber(parser.value("jobs"), 1);
        if (!jobs || *jobs > 256) return fail("--jobs wants a number from 1 to 256");
        options.jobs = static_cast<int>(*jobs);
    }
    const std::optional<std::uint32_t> seed = ParseNumber(parser.value("seed"), 0);
    if (!seed) return fail("--seed wants a number from 0 to 4294967295");
    options.seed = *seed;
    if (options.out.isEmpty() && !options.dumpHistory && !options.dumpMap) {
        return fail("nothing to do: give --out, --dump-history or --dump-map");
    }
    parsed.options = options;
    return parsed;
}

namespace {

// Fills an input the command line left out from a setting, noting where it came from.
void FillInput(QString& input, QString& source, const char* name, const std::string& value) {
    if (!input.isEmpty()) return;
    input = PathText(value);
    std::string stored;
    source = ReadSettingValue(SettingsScope::User, name, stored) ? " (from the saved settings)"
                                                                 : " (the default)";
}

}  // namespace

void FillInputsFromSettings(RenderOptions& options) {
    LoadSettings();
    const Settings& settings = ProcessSettings();
    FillInput(options.game, options.gameSource, "game_config", settings.game_config);
    if (options.history.isEmpty()) {
        options.history = PathText(GetConverterOutputPath());
        options.historySource = " (the default)";
    }
    FillInput(options.map, options.mapSource, "maps_directory", settings.maps_directory);
    FillInput(options.images, options.imagesSource, "images_directory", settings.images_directory);
}
