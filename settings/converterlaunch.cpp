#include "settings/converterlaunch.h"

#include "base/pathutil.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const char* const kOutputFileName = "Trevo.txt";
const char* const kUserDataFolder = "Ostrevan/Quelm";

// The folder of the running program, from the link the kernel keeps to its file.
QString RunningProgramFolder() {
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    const QString target = program.canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

QString InstallationFolder() {
    std::string folder;
    if (ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder))
        return QString::fromStdString(folder);
    const QString programFolder = RunningProgramFolder();
    if (programFolder.isEmpty()) return {};
    return QString::fromStdString(OwnInstallationFolder(programFolder.toStdString()));
}

// A folder written with or without trailing separators names the same paths.
QString WithoutTrailingSeparators(QString folder) {
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

QString UserOutputFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return QDir::tempPath();
    return JoinPath(data, QLatin1String(kUserDataFolder));
}

}  // namespace

std::string GetConverterOutputPath() {
    return JoinPath(UserOutputFolder(), QLatin1String(kOutputFileName)).toStdString();
}

bool MakeConverterOutputFolder(const std::string& output) {
    return QDir().mkpath(QFileInfo(QString::fromStdString(output)).absolutePath());
}

std::string GetInstallationFolder() { return InstallationFolder().toStdString(); }

std::string OwnInstallationFolder(const std::string& programFolder) {
    const QString folder = QString::fromStdString(programFolder);
    if (QFileInfo(JoinPath(folder, QStringLiteral("CMakeCache.txt"))).isFile())
        return JoinPath(folder, QStringLiteral("converter")).toStdString();
    return QDir::cleanPath(JoinPath(folder, QStringLiteral("../share/quelm"))).toStdString();
}

ConverterCommand MakeConverterCommand(const Settings& settings,
                                      const std::string& installationFolder,
                                      const std::string& output) {
    const QString folder = WithoutTrailingSeparators(QString::fromStdString(installationFolder));
    const QString classPath = QStringList{folder, JoinPath(folder, QStringLiteral("xstream.jar")),
                                          QString::fromStdString(settings.triplea_jar)}
                                  .join(u':');
    return {QString::fromStdString(settings.java_runtime),
            {QStringLiteral("-classpath"), classPath, QStringLiteral("TextGameConverter"),
             QString::fromStdString(settings.save), QString::fromStdString(output)}};
}

SaveGameImport PlanSaveGameImport(const Settings& settings, bool importChecked) {
    const QString installationFolder = InstallationFolder();
    SaveGameImport plan;
    plan.output = GetConverterOutputPath();
    if (settings.save.empty() || !importChecked) {
        plan.action = SaveGameImport::Action::DeleteOutput;
    } else if (!installationFolder.isEmpty()) {
        plan.action = SaveGameImport::Action::RunConverter;
        plan.command =
            MakeConverterCommand(settings, installationFolder.toStdString(), plan.output);
    }
    return plan;
}

void LaunchSaveGameImport(const Settings& settings, bool importChecked) {
    const SaveGameImport plan = PlanSaveGameImport(settings, importChecked);
    if (plan.action == SaveGameImport::Action::Nothing) return;
    if (plan.action == SaveGameImport::Action::RunConverter &&
        MakeConverterOutputFolder(plan.output) &&
        QProcess::startDetached(plan.command.program, plan.command.arguments)) {
        return;
    }
    QFile::remove(QString::fromStdString(plan.output));
}
