#pragma once

#include "testsupport.h"

#include <QProcessEnvironment>
#include <QSettings>

#include <optional>
#include <string>

// Points this process's settings stores, the user's and the machine-wide one, and the
// user's data folder (where the imported history lies) at fresh temporary folders, so that
// tests never touch the real ones. Helper processes get the same folders through
// Environment().
class TemporaryStore {
public:
    TemporaryStore() {
        Replace("XDG_CONFIG_HOME", UserFolder(), savedConfigHome);
        Replace("XDG_DATA_HOME", DataFolder(), savedDataHome);
        Replace("XDG_CONFIG_DIRS", MachineFolder(), savedConfigDirs);
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, MachineFolder());
    }
    ~TemporaryStore() {
        Restore("XDG_CONFIG_HOME", savedConfigHome);
        Restore("XDG_DATA_HOME", savedDataHome);
        Restore("XDG_CONFIG_DIRS", savedConfigDirs);
    }
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

    QString UserFolder() const { return QString::fromStdString(folder.File("user")); }
    QString MachineFolder() const { return QString::fromStdString(folder.File("machine")); }
    QString DataFolder() const { return QString::fromStdString(folder.File("data")); }
    // Where the programs read the imported history and the converter writes it.
    std::string HistoryFile() const { return folder.File("data/Ostrevan/Quelm/Trevo.txt"); }
    std::string UserFile() const { return folder.File("user/Ostrevan/Quelm.conf"); }
    void WriteUserFile(const std::string& bytes) const {
        folder.Write("user/Ostrevan/Quelm.conf", bytes);
    }
    void SetMachineValue(const char* name, const std::string& text) const {
        QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, "Ostrevan", "Quelm");
        machine.setValue(name, QString::fromStdString(text));
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", UserFolder());
        environment.insert("XDG_CONFIG_DIRS", MachineFolder());
        environment.insert("XDG_DATA_HOME", DataFolder());
        return environment;
    }

    TemporaryFolder folder;

private:
    static void Replace(const char* name, const QString& value, std::optional<QByteArray>& saved) {
        if (qEnvironmentVariableIsSet(name)) saved = qgetenv(name);
        qputenv(name, value.toLocal8Bit());
    }
    static void Restore(const char* name, const std::optional<QByteArray>& saved) {
        if (saved) {
            qputenv(name, *saved);
        } else {
            qunsetenv(name);
        }
    }

    std::optional<QByteArray> savedConfigHome;
    std::optional<QByteArray> savedDataHome;
    std::optional<QByteArray> savedConfigDirs;
};
