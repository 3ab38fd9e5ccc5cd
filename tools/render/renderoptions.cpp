#include "renderoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

#include "base/pathutil.h"
#include "frameencoder.h"
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

// An on/off pair of options: the one given, or nothing when neither is; an error when both.
std::optional<bool> ParseSwitch(const QCommandLineParser& parser, const QString& on,
                                const QString& off, QString& error) {
    const bool onSet = parser.isSet(on);
    const bool offSet = parser.isSet(off);
    if (onSet && offSet) error = "--" + on + " and --" + off + " exclude each other";
    if (onSet == offSet) return std::nullopt;
    return onSet;
}

std::optional<std::uint32_t> ParseNumber(const QString& text, std::uint32_t smallest) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value < smallest || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<double> ParseDecimal(const QString& text, double smallest, double largest) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= smallest && value <= largest)) return std::nullopt;
    return value;
}

// --video, --fps and --hold; an error text, or an empty one when they are sound.
QString ReadVideoOptions(const QCommandLineParser& parser, RenderOptions& options) {
    const std::optional<double> fps = ParseDecimal(parser.value("fps"), 0.1, 60);
    if (!fps) return "--fps wants a number of steps a second from 0.1 to 60";
    options.fps = *fps;
    const std::optional<double> hold = ParseDecimal(parser.value("hold"), 0, 3600);
    if (!hold) return "--hold wants a number of seconds from 0 to 3600";
    options.hold = *hold;
    if (!parser.isSet("video")) return QString();
    options.video = parser.value("video");
    if (!VideoKindOf(options.video)) return "--video wants a file ending in .mp4, .webm or .gif";
    if (!options.out.isEmpty()) return "give --out or --video, not both";
    const bool evenSizeNeeded = *VideoKindOf(options.video) != VideoKind::Gif;
    if (evenSizeNeeded && options.size.isValid() &&
        (options.size.width() % 2 != 0 || options.size.height() % 2 != 0)) {
        return "--size of an .mp4 or .webm video wants even numbers, for example 1280x720";
    }
    return QString();
}

// --save, --converter and its runtime and jar, and --dump-save; an error text, or an empty
// one when they fit together.
QString CheckSaveOptions(const QCommandLineParser& parser) {
    if (parser.isSet("save") && parser.isSet("history"))
        return "--save and --history exclude each other";
    if (parser.isSet("converter") && !parser.isSet("save")) return "--converter wants --save";
    if ((parser.isSet("java") || parser.isSet("triplea-jar")) && !parser.isSet("converter"))
        return "--java and --triplea-jar go with --converter";
    if (!parser.isSet("dump-save")) return QString();
    for (const char* other : {"out", "video", "dump-history", "dump-map", "save", "history"}) {
        if (parser.isSet(other)) return "--dump-save goes alone, not with --" + QString(other);
    }
    return QString();
}

}  // namespace

ParsedOptions ParseRenderOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions({
        {"game", "TripleA game definition (XML).", "file"},
        {"history", "Converter text of the game's history.", "file"},
        {"save", "TripleA saved game (.tsvg), read instead of --history.", "file"},
        {"converter",
         "Run TripleA's Java converter instead of Quelm's own reader, for comparison."},
        {"java", "Java runtime of --converter (default: the settings').", "file"},
        {"triplea-jar", "TripleA jar of --converter (default: the settings').", "file"},
        {"map", "TripleA map folder.", "dir"},
        {"images", "TripleA image folder (flags and units).", "dir"},
        {"labels", "Draw territory labels (default: as the settings say)."},
        {"no-labels", "Draw no territory labels."},
        {"quantities", "Draw unit quantities (default: as the settings say)."},
        {"no-quantities", "Draw no unit quantities."},
        {"small-flags", "Use the small flags (default: as the settings say)."},
        {"big-flags", "Use the big flags."},
        {"relief", "Use relief tiles (default: as the settings say)."},
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
        {"dump-save", "Print the history tree of a TripleA saved game; needs nothing else.",
         "file"},
        {"video", "Write the frames as one animation: .mp4 (H.264), .webm (VP9) or .gif.", "file"},
        {"fps", "Steps a second in the animation (default 4).", "n", "4"},
        {"hold", "Seconds the last step stays in the animation (default 2).", "s", "2"},
        {"changes", "Mark the territories and capitals whose owner changed since the step before."},
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
    options.save = parser.value("save");
    options.java = parser.value("java");
    options.tripleaJar = parser.value("triplea-jar");
    options.out = parser.value("out");
    options.quiet = parser.isSet("quiet");
    options.dumpHistory = parser.isSet("dump-history");
    options.dumpMap = parser.isSet("dump-map");
    options.dumpSave = parser.value("dump-save");
    options.converter = parser.isSet("converter");
    options.format = parser.value("format");
    options.jobs = std::max(1, QThread::idealThreadCount());
    options.changes = parser.isSet("changes");

    auto fail = [&parsed](const QString& error) {
        parsed.error = error;
        return parsed;
    };
    QString switchError;
    options.labelsGiven = ParseSwitch(parser, "labels", "no-labels", switchError);
    options.quantitiesGiven = ParseSwitch(parser, "quantities", "no-quantities", switchError);
    options.smallFlagsGiven = ParseSwitch(parser, "small-flags", "big-flags", switchError);
    const std::optional<bool> relief = ParseSwitch(parser, "relief", "no-relief", switchError);
    if (relief) options.noReliefGiven = !*relief;
    if (!switchError.isEmpty()) return fail(switchError);
    const QString saveError = CheckSaveOptions(parser);
    if (!saveError.isEmpty()) return fail(saveError);
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
    const QString videoError = ReadVideoOptions(parser, options);
    if (!videoError.isEmpty()) return fail(videoError);
    if (options.out.isEmpty() && options.video.isEmpty() && !options.dumpHistory &&
        !options.dumpMap && options.dumpSave.isEmpty()) {
        return fail(
            "nothing to do: give --out, --video, --dump-history, --dump-map or --dump-save");
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
    if (options.history.isEmpty() && options.save.isEmpty()) {
        options.history = PathText(GetConverterOutputPath());
        options.historySource = " (the default)";
    }
    if (options.java.isEmpty()) options.java = PathText(settings.java_runtime);
    if (options.tripleaJar.isEmpty()) options.tripleaJar = PathText(settings.triplea_jar);
    options.labels = options.labelsGiven.value_or(settings.region_labels);
    options.quantities = options.quantitiesGiven.value_or(settings.unit_quantities);
    options.smallFlags = options.smallFlagsGiven.value_or(!settings.big_flags);
    options.noRelief = options.noReliefGiven.value_or(!settings.relief_tiles);
    FillInput(options.map, options.mapSource, "maps_directory", settings.maps_directory);
    FillInput(options.images, options.imagesSource, "images_directory", settings.images_directory);
}
