#pragma once

#include "testsupport.h"

#include <QProcessEnvironment>
#include <QSettings>

#include <optional>
#include <string>

// Points this process's settings stores, the user's and the machine-wide one, at fresh
// temporary folders, so that tests never touch the real ones. Helper processes get the same
// folders through Environment().
class TemporaryStore {
public:
    TemporaryStore() {
        if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
            savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", UserFolder().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, MachineFolder());
    }
    ~TemporaryStore() {
        if (savedConfigHome) {
            qputenv("XDG_CONFIG_HOME", *savedConfigHome);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

    QString UserFolder() const { return QString::fromStdString(folder.File("user")); }
    QString MachineFolder() const { return QString::fromStdString(folder.File("machine")); }
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
        return environment;
    }

    TemporaryFolder folder;

private:
    std::optional<QByteArray> savedConfigHome;
};
