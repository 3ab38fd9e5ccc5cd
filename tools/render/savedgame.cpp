#include "savedgame.h"

#include <QFile>
#include <QFileInfo>

#include "renderoptions.h"
#include "settings/converterlaunch.h"
#include "settings/converterrun.h"

namespace {

// Long enough for games of many rounds; Ctrl+C ends a run that takes too long.
constexpr int kConversionTimeLimitMs = 60 * 60 * 1000;

bool IsExecutableFile(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

// The first reason the converter cannot be run at all, or "" when it can.
QString WhyConverterCannotRun(const RenderOptions& options, const QString& installation) {
    if (!QFileInfo(options.save).isFile()) return "cannot read the saved game " + options.save;
    if (options.java.isEmpty())
        return "no Java runtime: give --java or choose one in the viewer's Configure...";
    if (!IsExecutableFile(options.java)) return "no Java runtime at " + options.java;
    if (options.tripleaJar.isEmpty())
        return "no TripleA jar: give --triplea-jar or choose one in the viewer's Configure...";
    if (!QFileInfo(options.tripleaJar).isFile()) return "no TripleA jar at " + options.tripleaJar;
    if (!QFileInfo(installation + "/TextGameConverter.class").isFile())
        return "no save-game converter (TextGameConverter.class) in " + installation;
    return {};
}

// The converter's own reason without its name in front.
QString ConverterReason(const ConverterRun& run) {
    QString reason = QString::fromStdString(run.FailureReason());
    const QString own = QStringLiteral("TextGameConverter: ");
    if (reason.startsWith(own)) reason.remove(0, own.size());
    return reason;
}

}  // namespace

bool LooksLikeSavedGame(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    return file.read(2) == QByteArray("\x1f\x8b", 2);
}

bool SavedGameConversion::Convert(const RenderOptions& options, QString& error) {
    const QString installation = QString::fromStdString(GetInstallationFolder());
    error = WhyConverterCannotRun(options, installation);
    if (!error.isEmpty()) return false;
    folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        error = "cannot make a temporary folder: " + folder->errorString();
        return false;
    }
    Settings settings;
    settings.java_runtime = options.java.toStdString();
    settings.triplea_jar = options.tripleaJar.toStdString();
    settings.save = options.save.toStdString();
    ConverterRun run(
        MakeConverterCommand(settings, installation.toStdString(), HistoryPath().toStdString()),
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
