#include "settings/converterlaunch.h"

#include "base/pathutil.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

const char* const kOutputFileName = "Trevo.txt";

// The installation folder as stored, or "" when the value is absent.
QString InstallationFolder() {
    std::string folder;
    if (!ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder)) return {};
    return QString::fromStdString(folder);
}

// A folder written with or without trailing separators names the same paths.
QString WithoutTrailingSeparators(QString folder) {
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

QString OutputPathIn(const QString& folder) {
    return JoinPath(WithoutTrailingSeparators(folder), QLatin1String(kOutputFileName));
}

QString OutputPath(const QString& installationFolder) {
    return OutputPathIn(installationFolder.isEmpty() ? QDir::tempPath() : installationFolder);
}

}  // namespace

std::string GetConverterOutputPath() { return OutputPath(InstallationFolder()).toStdString(); }

ConverterCommand MakeConverterCommand(const Settings& settings,
                                      const std::string& installationFolder) {
    const QString folder = WithoutTrailingSeparators(QString::fromStdString(installationFolder));
    const QString classPath = QStringList{folder, JoinPath(folder, QStringLiteral("xstream.jar")),
                                          QString::fromStdString(settings.triplea_jar)}
                                  .join(u':');
    return {QString::fromStdString(settings.java_runtime),
            {QStringLiteral("-classpath"), classPath, QStringLiteral("TextGameConverter"),
             QString::fromStdString(settings.save), OutputPathIn(folder)}};
}

SaveGameImport PlanSaveGameImport(const Settings& settings, bool importChecked) {
    const QString installationFolder = InstallationFolder();
    SaveGameImport plan;
    plan.output = OutputPath(installationFolder).toStdString();
    if (settings.save.empty() || !importChecked) {
        plan.action = SaveGameImport::Action::DeleteOutput;
    } else if (!installationFolder.isEmpty()) {
        plan.action = SaveGameImport::Action::RunConverter;
        plan.command = MakeConverterCommand(settings, installationFolder.toStdString());
    }
    return plan;
}

void LaunchSaveGameImport(const Settings& settings, bool importChecked) {
    const SaveGameImport plan = PlanSaveGameImport(settings, importChecked);
    if (plan.action == SaveGameImport::Action::Nothing) return;
    if (plan.action == SaveGameImport::Action::RunConverter &&
        QProcess::startDetached(plan.command.program, plan.command.arguments)) {
        return;
    }
    QFile::remove(QString::fromStdString(plan.output));
}
