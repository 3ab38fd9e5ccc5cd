#include "app/saveimport.h"

#include <QFileInfo>
#include <QProgressDialog>

#include <filesystem>
#include <system_error>

#include "base/outputpath.h"
#include "base/pathutil.h"

#include "platform/usermessages.h"
#include "settings/converterlaunch.h"

namespace {

const char* const kCaption = "Import TripleA Savegame";

void RemoveOutput(const SaveGameImport& plan) {
    std::error_code error;
    std::filesystem::remove(plan.output, error);
}

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

}  // namespace

void ImportSaveGame(QWidget* parent, const Settings& settings, bool importChecked,
                    UserMessages& messages, int timeLimitMs) {
    const SaveGameImport plan = PlanSaveGameImport(settings, importChecked);
    switch (plan.action) {
        case SaveGameImport::Action::Nothing:
            return;
        case SaveGameImport::Action::DeleteOutput:
            RemoveOutput(plan);
            return;
        case SaveGameImport::Action::RunConverter:
            break;
    }
    if (!MakeConverterOutputFolder(plan.output)) {
        messages.ShowMessage(
            "The saved game could not be imported:\ncannot make the folder of " + plan.output,
            kCaption);
        return;
    }
    ConverterRun run(plan.command, timeLimitMs);
    const ConverterRun::Result result =
        run.Start() ? RunWithProgress(parent, run, settings) : run.GetResult();
    if (result == ConverterRun::Result::Succeeded) return;
    RemoveOutput(plan);
    if (result == ConverterRun::Result::Cancelled) return;
    messages.ShowMessage("The saved game could not be imported:\n" + run.FailureReason(), kCaption);
}
