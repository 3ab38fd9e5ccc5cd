#include "settings/settingsstore.h"

#include "base/stringutil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxValueBytes = 256;

// One stored value and the field that holds it: a text, an integer or a flag.
struct StoredField {
    const char* name;
    std::string Settings::*text;
    std::int32_t Settings::*integer;
    bool Settings::*flag;
};

constexpr StoredField Text(const char* name, std::string Settings::*field) {
    return {name, field, nullptr, nullptr};
}
constexpr StoredField Integer(const char* name, std::int32_t Settings::*field) {
    return {name, nullptr, field, nullptr};
}
constexpr StoredField Flag(const char* name, bool Settings::*field) {
    return {name, nullptr, nullptr, field};
}

// Every stored value, in the order LoadSettings reads them.
const StoredField kStoredFields[] = {
    Text("game_config", &Settings::game_config),
    Text("save", &Settings::save),
    Text("java_runtime", &Settings::java_runtime),
    Text("triplea_jar", &Settings::triplea_jar),
    Text("maps_directory", &Settings::maps_directory),
    Text("images_directory", &Settings::images_directory),
    Integer("zoom_factor", &Settings::zoom_factor),
    Integer("version", &Settings::version),
    Integer("unit_red", &Settings::unit_red),
    Integer("unit_green", &Settings::unit_green),
    Integer("unit_blue", &Settings::unit_blue),
    Integer("previous_delay", &Settings::previous_delay),
    Integer("current_delay", &Settings::current_delay),
    Flag("region_labels", &Settings::region_labels),
    Flag("big_flags", &Settings::big_flags),
    Flag("unit_quantities", &Settings::unit_quantities),
    Flag("relief_tiles", &Settings::relief_tiles),
    Flag("do_file_import", &Settings::do_file_import),
    Text("base", &Settings::base),
};

// The values SaveSettings writes, in its order. The unit colour is changed only from
// outside the programs and never written.
const char* const kSavedNames[] = {
    "game_config",     "save",
    "java_runtime",    "triplea_jar",
    "maps_directory",  "images_directory",
    "version",         "current_delay",
    "previous_delay",  "zoom_factor",
    "region_labels",   "big_flags",
    "unit_quantities", "relief_tiles",
    "do_file_import",  "base",
};

const StoredField& FieldNamed(const char* name) {
    for (const StoredField& field : kStoredFields) {
        if (std::strcmp(field.name, name) == 0) return field;
    }
    return kStoredFields[0];  // unreachable: every saved name is stored
}

std::string FieldText(const Settings& settings, const StoredField& field) {
    if (field.text) return settings.*field.text;
    if (field.integer) return std::to_string(settings.*field.integer);
    return settings.*field.flag ? "1" : "0";
}

void SetFieldFromText(Settings& settings, const StoredField& field, const std::string& text) {
    if (field.text) {
        settings.*field.text = text;
    } else if (field.integer) {
        settings.*field.integer = ReadLeadingInteger(text);
    } else {
        settings.*field.flag = ReadLeadingInteger(text) == 1;
    }
}

void CopyField(Settings& to, const Settings& from, const StoredField& field) {
    if (field.text) {
        to.*field.text = from.*field.text;
    } else if (field.integer) {
        to.*field.integer = from.*field.integer;
    } else {
        to.*field.flag = from.*field.flag;
    }
}

// The user's store: the native QSettings file of organisation "Ostrevan", application
// "Quelm", where QSettings puts it on this platform. It is opened by its path so that no
// QSettings object reads it before the lock is held (see StoreLock).
QString UserStorePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ostrevan/Quelm.conf");
}

std::unique_ptr<QSettings> OpenUserStore() {
    return std::make_unique<QSettings>(UserStorePath(), QSettings::NativeFormat);
}

// The machine-wide file alone: nothing falls back to other files.
std::unique_ptr<QSettings> OpenMachineStore() {
    auto store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope,
                                             QStringLiteral("Ostrevan"), QStringLiteral("Quelm"));
    store->setFallbacksEnabled(false);
    return store;
}

// A value counts only as plain text of 1 to 256 bytes. Of a damaged store, whatever
// QSettings can parse counts too; its status() cannot tell, since QSettings reports a
// malformed file only to the first reader of each version in a process. Garbage holds no
// such text under these names, and a store that cannot be read holds nothing at all.
bool ReadStoredText(const QSettings& store, const char* name, std::string& text) {
    text.clear();
    const QVariant value = store.value(QLatin1String(name));
    if (value.typeId() != QMetaType::QString) return false;  // missing, a list or a typed value
    const QByteArray bytes = value.toString().toUtf8();
    if (bytes.isEmpty() || bytes.size() > kMaxValueBytes) return false;
    text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

// A lock on a file beside the user's store that the programs hold while QSettings reads or
// writes the store: shared for reading, alone for writing. QSettings keeps a copy of the
// file per process and notes the file's modification time only after reading its content;
// a save of the other program in between would leave that copy old under the new time, and
// the next save from it would put old values back. The system drops the lock with the
// process, so a crash leaves no stale lock. Without a folder to hold the lock file there is
// no store to protect while reading, and writing fails anyway.
class StoreLock {
public:
    enum Mode { kShared, kExclusive };

    StoreLock(const QString& storePath, Mode mode) {
        const QString folder = QFileInfo(storePath).absolutePath();
        if (mode == kExclusive) QDir().mkpath(folder);
        const QByteArray lockPath = QFile::encodeName(storePath + QStringLiteral(".storelock"));
        descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) return;
        int result;
        do {
            result = ::flock(descriptor, mode == kExclusive ? LOCK_EX : LOCK_SH);
        } while (result != 0 && errno == EINTR);
        if (result != 0) Release();
    }
    ~StoreLock() { Release(); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    void Release() {
        if (descriptor >= 0) ::close(descriptor);
        descriptor = -1;
    }

    int descriptor = -1;
};

std::optional<qint64> ModifiedMilliseconds(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    return info.lastModified().toMSecsSinceEpoch();
}

// QSettings takes its copy of the store as current while the file keeps the size and the
// modification time, in milliseconds, that it saw last, and merges a save into that copy.
// Two saves of equal size within one millisecond would thus let the next save of the other
// program put back old values. So every save leaves the store a later modification
// millisecond than the version it replaced.
void ModifiedAfter(const QString& path, std::optional<qint64> previous) {
    const std::optional<qint64> now = ModifiedMilliseconds(path);
    if (!previous || !now || *now > *previous) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    file.setFileTime(QDateTime::fromMSecsSinceEpoch(*previous + 1, Qt::UTC),
                     QFileDevice::FileModificationTime);
}

// Writes the values to the user's store in one save.
bool WriteStoredValues(const std::vector<std::pair<const char*, std::string>>& values) {
    if (values.empty()) return true;
    const QString path = UserStorePath();
    const StoreLock lock(path, StoreLock::kExclusive);
    const std::optional<qint64> previous = ModifiedMilliseconds(path);
    const std::unique_ptr<QSettings> store = OpenUserStore();
    for (const auto& [name, text] : values) {
        store->setValue(QLatin1String(name), QString::fromStdString(text));
    }
    store->sync();
    if (store->status() == QSettings::AccessError) return false;
    ModifiedAfter(path, previous);
    return true;
}

Settings& ProcessLastStored() {
    static Settings lastStored;
    return lastStored;
}

}  // namespace

bool ReadSettingValue(SettingsScope scope, const char* name, std::string& text) {
    if (scope == SettingsScope::Machine) return ReadStoredText(*OpenMachineStore(), name, text);
    const StoreLock lock(UserStorePath(), StoreLock::kShared);
    return ReadStoredText(*OpenUserStore(), name, text);
}

bool WriteSettingValue(const char* name, const std::string& text) {
    return WriteStoredValues({{name, text}});
}

void LoadSettings(Settings& settings, Settings& lastStored) {
    const StoreLock lock(UserStorePath(), StoreLock::kShared);
    const std::unique_ptr<QSettings> store = OpenUserStore();
    std::string text;
    for (const StoredField& field : kStoredFields) {
        if (!ReadStoredText(*store, field.name, text)) continue;
        SetFieldFromText(settings, field, text);
        SetFieldFromText(lastStored, field, text);
    }
}

void SaveSettings(const Settings& settings, Settings& lastStored) {
    std::vector<const StoredField*> changed;
    std::vector<std::pair<const char*, std::string>> values;
    for (const char* name : kSavedNames) {
        const StoredField& field = FieldNamed(name);
        std::string text = FieldText(settings, field);
        if (text == FieldText(lastStored, field)) continue;
        changed.push_back(&field);
        values.emplace_back(field.name, std::move(text));
    }
    if (!WriteStoredValues(values)) return;
    for (const StoredField* field : changed) CopyField(lastStored, settings, *field);
}

void LoadSettings() { LoadSettings(ProcessSettings(), ProcessLastStored()); }

void SaveSettings() { SaveSettings(ProcessSettings(), ProcessLastStored()); }
