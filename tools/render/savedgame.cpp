#include "savedgame.h"

#include <QFile>

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/outputpath.h"
#include "base/pathutil.h"
#include "base/regularfile.h"
#include "renderoptions.h"
#include "savegame/savedgame.h"
#include "settings/converterlaunch.h"
#include "settings/converterrun.h"

namespace {

// Long enough for games of many rounds; Ctrl+C ends a run that takes too long.
constexpr int kConversionTimeLimitMs = 60 * 60 * 1000;

// Paths are PathText: they are looked at by their bytes.
bool IsFile(const QString& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(PathBytes(path), error);
}

bool IsExecutableFile(const QString& path) {
    return IsFile(path) && ::access(PathBytes(path).c_str(), X_OK) == 0;
}

// The first reason the converter cannot be run at all, or "" when it can.
QString WhyConverterCannotRun(const RenderOptions& options, const QString& installation) {
    if (!IsFile(options.save)) return "cannot read the saved game " + options.save;
    if (options.java.isEmpty())
        return "no Java runtime: give --java or choose one in the viewer's Configure...";
    if (!IsExecutableFile(options.java)) return "no Java runtime at " + options.java;
    if (options.tripleaJar.isEmpty())
        return "no TripleA jar: give --triplea-jar or choose one in the viewer's Configure...";
    if (!IsFile(options.tripleaJar)) return "no TripleA jar at " + options.tripleaJar;
    if (!IsFile(installation + "/TextGameConverter.class"))
        return "no save-game converter (TextGameConverter.class) in " + installation;
    return {};
}

// The converter's own reason without its name in front.
QString ConverterReason(const ConverterRun& run) {
    QString reason = PathText(run.FailureReason());
    const QString own = QStringLiteral("TextGameConverter: ");
    if (reason.startsWith(own)) reason.remove(0, own.size());
    return reason;
}

}  // namespace

bool ReadSaveWithOwnReader(const QString& save, std::string& text, QString& error) {
    SavedGameError failure;
    if (ReadSavedGameText(PathBytes(save), text, failure)) return true;
    error = PathText(failure.message);
    // The way out for a save whose classes or layout the reader does not know.
    if (failure.problem == SavedGameProblem::kUnsupported)
        error += " (--converter runs TripleA's Java converter on it instead)";
    return false;
}

bool DescribeSave(const QString& save, std::string& tree, QString& error) {
    SavedGameError failure;
    if (DescribeSavedGame(PathBytes(save), tree, failure)) return true;
    error = PathText(failure.message);
    return false;
}

bool LooksLikeSavedGame(const QString& path) {
    QFile file;
    if (!OpenRegularFile(PathBytes(path), file)) return false;
    return file.read(2) == QByteArray("\x1f\x8b", 2);
}

bool SavedGameConversion::Convert(const RenderOptions& options, QString& error) {
    const QString installation = PathText(GetInstallationFolder());
    error = WhyConverterCannotRun(options, installation);
    if (!error.isEmpty()) return false;
    folder = std::make_unique<QTemporaryDir>(PathText(SystemTemporaryFolder()) +
                                             QStringLiteral("/quelm_render-XXXXXX"));
    if (!folder->isValid()) {
        error = "cannot make a temporary folder: " + folder->errorString();
        return false;
    }
    Settings settings;
    settings.java_runtime = PathBytes(options.java);
    settings.triplea_jar = PathBytes(options.tripleaJar);
    settings.save = PathBytes(options.save);
    ConverterRun run(
        MakeConverterCommand(settings, PathBytes(installation), PathBytes(HistoryPath())),
        kConversionTimeLimitMs);
    if (run.Start() && run.Wait() == ConverterRun::Result::Succeeded) return true;
    const QString reason = ConverterReason(run);
    error =
        reason.contains(options.save) ? reason : "cannot import " + options.save + ": " + reason;
    return false;
}

QString SavedGameConversion::HistoryPath() const {
    return folder ? folder->filePath(QStringLiteral("Trevo.txt")) : QString();
}
