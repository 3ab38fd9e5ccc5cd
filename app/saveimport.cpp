#include "app/saveimport.h"

#include <QFileInfo>
#include <QProgressDialog>

#include "base/outputpath.h"
#include "base/pathutil.h"

#include "platform/usermessages.h"

namespace {

const char* const kCaption = "Import TripleA Savegame";
const char* const kFailure = "The saved game could not be imported:\n";
const char* const kOwnReader = "Quelm's reader: ";
const char* const kConverter = "TripleA's converter: ";

// Runs the converter under a busy progress window until it ends; Cancel stops it.
ConverterRun::Result RunWithProgress(QWidget* parent, ConverterRun& run, const Settings& settings) {
    QProgressDialog progress(parent);
    progress.setObjectName(QStringLiteral("converterProgress"));
    progress.setWindowTitle(QString::fromUtf8(kCaption));
    progress.setLabelText(QStringLiteral("Importing %1 ...")
                              .arg(DisplayPath(QFileInfo(PathText(settings.save)).fileName())));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::WindowModal);
    // Cancel, Escape and closing the window all stop the converter.
    QObject::connect(&progress, &QProgressDialog::canceled, [&run] { run.Cancel(); });
    progress.show();
    return run.Wait();
}

// The converter's reason without its own name in front: the report names it already.
std::string WithoutConverterName(std::string reason) {
    const std::string own = "TextGameConverter: ";
    if (reason.compare(0, own.size(), own) == 0) reason.erase(0, own.size());
    return reason;
}

// Runs the Java converter on a save the reader did not know; reason says why it failed.
ConverterRun::Result RunConverter(QWidget* parent, const SaveGameImport& plan,
                                  const Settings& settings, int timeLimitMs, std::string& reason) {
    if (!MakeConverterOutputFolder(plan.output)) {
        reason = "cannot make the folder of " + plan.output;
        return ConverterRun::Result::NotStarted;
    }
    ConverterRun run(*plan.converter, timeLimitMs);
    const ConverterRun::Result result =
        run.Start() ? RunWithProgress(parent, run, settings) : run.GetResult();
    reason = WithoutConverterName(run.FailureReason());
    return result;
}

}  // namespace

void ImportSaveGame(QWidget* parent, const Settings& settings, bool importChecked,
                    UserMessages& messages, int timeLimitMs, SavedGameReader reader) {
    const SaveGameImport plan = PlanSaveGameImport(settings, importChecked);
    if (plan.action == SaveGameImport::Action::DeleteOutput) {
        RemoveConverterOutput(plan);
        return;
    }
    const SaveGameReading reading = ReadSaveGameIntoOutput(plan, reader);
    if (reading.written) return;
    RemoveConverterOutput(plan);
    if (!reading.writeFailure.empty()) {
        messages.ShowMessage(kFailure + reading.writeFailure, kCaption);
        return;
    }
    std::string report = kFailure + (kOwnReader + reading.error.message);
    if (ConverterMayTry(plan, reading)) {
        std::string reason;
        const ConverterRun::Result result =
            RunConverter(parent, plan, settings, timeLimitMs, reason);
        if (result == ConverterRun::Result::Succeeded) return;
        RemoveConverterOutput(plan);
        if (result == ConverterRun::Result::Cancelled) return;
        report += "\n" + (kConverter + reason);
    }
    messages.ShowMessage(report, kCaption);
}
