#include "settings/converterlaunch.h"

#include "base/outputpath.h"
#include "base/pathutil.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace {

const char* const kOutputFileName = "Trevo.txt";
const char* const kUserDataFolder = "Ostrevan/Quelm";

// The folder of the running program, from the link the kernel keeps to its file.
std::string RunningProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

std::string InstallationFolder() {
    std::string folder;
    if (ReadSettingValue(SettingsScope::Machine, "InstallationDirectory", folder)) return folder;
    const std::string programFolder = RunningProgramFolder();
    if (programFolder.empty()) return {};
    return OwnInstallationFolder(programFolder);
}

// A folder written with or without trailing separators names the same paths.
QString WithoutTrailingSeparators(QString folder) {
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

// Qt names these folders with U+FFFD for bytes that are not UTF-8: back to the real names.
QString UserOutputFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return PathText(PathFromQtName(QDir::tempPath()));
    return JoinPath(PathText(PathFromQtName(data)), QLatin1String(kUserDataFolder));
}

}  // namespace

std::string GetConverterOutputPath() {
    return PathBytes(JoinPath(UserOutputFolder(), QLatin1String(kOutputFileName)));
}

bool MakeConverterOutputFolder(const std::string& output) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(output, error).parent_path();
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

std::string GetInstallationFolder() { return InstallationFolder(); }

std::string OwnInstallationFolder(const std::string& programFolder) {
    const QString folder = PathText(programFolder);
    std::error_code error;
    if (std::filesystem::is_regular_file(
            PathBytes(JoinPath(folder, QStringLiteral("CMakeCache.txt"))), error))
        return PathBytes(JoinPath(folder, QStringLiteral("converter")));
    return PathBytes(QDir::cleanPath(JoinPath(folder, QStringLiteral("../share/quelm"))));
}

QString ConverterCommand::Unmasked(QString message) const {
    for (const auto& standIn : standIns) message = standIn->Unmasked(message);
    return message;
}

ConverterCommand MakeConverterCommand(const Settings& settings,
                                      const std::string& installationFolder,
                                      const std::string& output) {
    ConverterCommand command;
    // Java reads its arguments in the locale's encoding, so even a name handed over byte for
    // byte would not reach a file whose name is not UTF-8: such paths go as stand-ins.
    const auto handOver = [&command](const QString& path) {
        auto standIn = std::make_shared<const PathStandIn>(PathBytes(path));
        command.standIns.push_back(standIn);
        return standIn->Text();
    };
    const QString folder = WithoutTrailingSeparators(PathText(installationFolder));
    const QString classPath =
        QStringList{handOver(folder), handOver(JoinPath(folder, QStringLiteral("xstream.jar"))),
                    handOver(PathText(settings.triplea_jar))}
            .join(u':');
    command.program = handOver(PathText(settings.java_runtime));
    command.arguments =
        QStringList{QStringLiteral("-classpath"), classPath, QStringLiteral("TextGameConverter"),
                    handOver(PathText(settings.save)), handOver(PathText(output))};
    return command;
}

namespace {

bool Exists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

// The Java converter's command, when its runtime and TripleA's jar are there and the
// installation folder that holds the converter is known.
std::optional<ConverterCommand> RunnableConverter(const Settings& settings,
                                                  const std::string& output) {
    if (!Exists(settings.java_runtime) || !Exists(settings.triplea_jar)) return std::nullopt;
    const std::string installationFolder = InstallationFolder();
    if (installationFolder.empty()) return std::nullopt;
    return MakeConverterCommand(settings, installationFolder, output);
}

}  // namespace

SaveGameImport PlanSaveGameImport(const Settings& settings, bool importChecked) {
    SaveGameImport plan;
    plan.output = GetConverterOutputPath();
    if (settings.save.empty() || !importChecked) return plan;
    plan.action = SaveGameImport::Action::ReadSave;
    plan.save = settings.save;
    plan.converter = RunnableConverter(settings, plan.output);
    return plan;
}

SaveGameReading ReadSaveGameIntoOutput(const SaveGameImport& plan, SavedGameReader reader) {
    SaveGameReading reading;
    std::string text;
    if (!reader(plan.save, text, reading.error)) return reading;
    if (!MakeConverterOutputFolder(plan.output)) {
        reading.writeFailure = "cannot make the folder of " + plan.output;
        return reading;
    }
    std::string why;
    // The text outlives the write, so it is handed over without a copy.
    const QByteArray bytes =
        QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
    reading.written = WriteFileReplacing(plan.output, bytes, &why);
    if (!reading.written) reading.writeFailure = "cannot write " + plan.output + ": " + why;
    return reading;
}

bool ConverterMayTry(const SaveGameImport& plan, const SaveGameReading& reading) {
    return !reading.written && reading.error.problem == SavedGameProblem::kUnsupported &&
           plan.converter.has_value();
}

void RemoveConverterOutput(const SaveGameImport& plan) {
    std::error_code error;
    std::filesystem::remove(plan.output, error);
}

void LaunchSaveGameImport(const Settings& settings, bool importChecked, SavedGameReader reader) {
    const SaveGameImport plan = PlanSaveGameImport(settings, importChecked);
    if (plan.action == SaveGameImport::Action::ReadSave) {
        const SaveGameReading reading = ReadSaveGameIntoOutput(plan, reader);
        if (reading.written) return;
        if (ConverterMayTry(plan, reading) && MakeConverterOutputFolder(plan.output)) {
            // The converter writes the output when it is done; until then no old one shows.
            RemoveConverterOutput(plan);
            if (QProcess::startDetached(plan.converter->program, plan.converter->arguments)) return;
        }
    }
    RemoveConverterOutput(plan);
}
