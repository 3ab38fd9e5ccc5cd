#include "settings/settingsstore.h"

#include "base/pathutil.h"
#include "base/regularfile.h"
#include "base/stringutil.h"
#include "base/textfile.h"

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
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxValueCharacters = 256;
// Twenty values of 256 characters take a few kilobytes; a larger store is not one the
// programs wrote, and QSettings would take long to read a huge one.
constexpr std::int64_t kMaxStoreBytes = 1 << 20;

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

// The machine-wide file where QSettings looks for it on this platform: under the first
// folder of XDG_CONFIG_DIRS, else under /etc/xdg.
QString MachineStorePath() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_DIRS").section(u':', 0, 0);
    if (folder.isEmpty()) folder = QStringLiteral("/etc/xdg");
    return folder + QStringLiteral("/Ostrevan/Quelm.conf");
}

// One store file opened by its path. QSettings reads the file as soon as it is created and
// would wait forever on a pipe, so anything but a regular file of at most kMaxStoreBytes
// (or nothing) at the path leaves the store unopened: it holds nothing and cannot be
// written.
struct StoreFile {
    explicit StoreFile(const QString& path) : path(path) {
        if (IsRegularFileOrMissing(QFile::encodeName(path).toStdString(), kMaxStoreBytes)) {
            settings = std::make_unique<QSettings>(path, QSettings::NativeFormat);
        }
    }

    QString path;
    std::unique_ptr<QSettings> settings;
};

// Characters, not UTF-16 units: a pair of surrogates is one, so is a byte kept as one.
qsizetype CountCharacters(const QString& text) { return text.toUcs4().size(); }

bool IsUtf8(const std::string& text) { return QString::fromStdString(text).toStdString() == text; }

// Text that is UTF-8 is stored as text. Other bytes, such as a path named in Latin-1, are
// stored as bytes (QSettings writes "@ByteArray(...)"), since as text they would come back
// as U+FFFD.
QVariant StoredValue(const std::string& text) {
    if (IsUtf8(text)) return QString::fromStdString(text);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The text after "name=" in the general section of an INI file, trimmed, as written.
std::optional<QString> RawIniValue(const QString& ini, const char* name) {
    bool general = true;
    const QString key = QLatin1String(name);
    for (QStringView line : QStringView(ini).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            general = line == u"[General]";
        } else if (general && line.startsWith(key) &&
                   line.mid(key.size()).trimmed().startsWith(u'=')) {
            return line.mid(line.indexOf(u'=') + 1).trimmed().toString();
        }
    }
    return std::nullopt;
}

// QSettings reads a value holding unquoted commas, as a hand-edited
// "game_config=/a,b.xml", as a list. Such a value is the text of its line; only when the
// line holds quotes or escapes, which QSettings has already undone, are the pieces joined
// with commas again.
QString ListAsText(const StoreFile& store, const char* name, const QStringList& pieces) {
    QString ini;
    if (ReadTextFile(QFile::encodeName(store.path).toStdString(), ini) >= 0) {
        const std::optional<QString> raw = RawIniValue(ini, name);
        if (raw && !raw->contains(u'"') && !raw->contains(u'\\')) return *raw;
    }
    return pieces.join(u',');
}

// A value counts only as text of 1 to 256 characters. Of a damaged store, whatever
// QSettings can parse counts too; its status() cannot tell, since QSettings reports a
// malformed file only to the first reader of each version in a process. Garbage holds no
// such text under these names, and a store that cannot be read holds nothing at all.
bool ReadStoredText(const StoreFile& store, const char* name, std::string& text) {
    text.clear();
    if (!store.settings) return false;
    const QVariant value = store.settings->value(QLatin1String(name));
    QString stored;
    if (value.typeId() == QMetaType::QString) {
        stored = value.toString();
    } else if (value.typeId() == QMetaType::QStringList) {
        stored = ListAsText(store, name, value.toStringList());
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        if (bytes.contains('\0')) return false;  // no path or text of ours holds one
        stored = PathText(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } else {
        return false;  // missing or a typed value
    }
    if (stored.isEmpty() || CountCharacters(stored) > kMaxValueCharacters) return false;
    text = PathBytes(stored);
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
        descriptor = ::open(lockPath.constData(),
                            O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
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

std::string SystemError(int error) { return std::strerror(error); }

// Why the store at path could not be written, as far as the file system tells.
std::string ExplainFailedWrite(const QString& path) {
    const std::string file = QFile::encodeName(path).toStdString();
    const std::string folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return "its folder " + folder + " cannot be made: " + SystemError(errno);
    }
    if (!S_ISDIR(status.st_mode)) return "its folder " + folder + " is not a folder";
    if (!IsRegularFileOrMissing(file, kMaxStoreBytes)) {
        return "it " + DescribeUnreadableFile(file, kMaxStoreBytes);
    }
    if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
        return SystemError(errno);
    }
    // QSettings replaces the file by a new one written beside it.
    if (::access(folder.c_str(), W_OK) != 0) {
        return "its folder " + folder + " cannot be written: " + SystemError(errno);
    }
    return "the file could not be written in full (is the disk full?)";
}

std::string FailedWrite(const QString& path) {
    return "The settings could not be saved to " + QFile::encodeName(path).toStdString() + ": " +
           ExplainFailedWrite(path) + ".";
}

// Writes the values to the user's store in one save. Returns an empty text, or what could
// not be written and why.
std::string WriteStoredValues(const std::vector<std::pair<const char*, std::string>>& values) {
    if (values.empty()) return std::string();
    const QString path = UserStorePath();
    const StoreLock lock(path, StoreLock::kExclusive);
    const std::optional<qint64> previous = ModifiedMilliseconds(path);
    const StoreFile store(path);
    if (!store.settings) return FailedWrite(path);
    for (const auto& [name, text] : values) {
        store.settings->setValue(QLatin1String(name), StoredValue(text));
    }
    store.settings->sync();
    if (store.settings->status() == QSettings::AccessError) return FailedWrite(path);
    ModifiedAfter(path, previous);
    return std::string();
}

Settings& ProcessLastStored() {
    static Settings lastStored;
    return lastStored;
}

}  // namespace

bool ReadSettingValue(SettingsScope scope, const char* name, std::string& text) {
    if (scope == SettingsScope::Machine) {
        return ReadStoredText(StoreFile(MachineStorePath()), name, text);
    }
    const StoreLock lock(UserStorePath(), StoreLock::kShared);
    return ReadStoredText(StoreFile(UserStorePath()), name, text);
}

bool WriteSettingValue(const char* name, const std::string& text) {
    return WriteStoredValues({{name, text}}).empty();
}

bool FitsSettingValue(const std::string& text) {
    return CountCharacters(PathText(text)) <= kMaxValueCharacters;
}

void LoadSettings(Settings& settings, Settings& lastStored) {
    const StoreLock lock(UserStorePath(), StoreLock::kShared);
    const StoreFile store(UserStorePath());
    std::string text;
    for (const StoredField& field : kStoredFields) {
        if (!ReadStoredText(store, field.name, text)) continue;
        SetFieldFromText(settings, field, text);
        SetFieldFromText(lastStored, field, text);
    }
}

std::string SaveSettings(const Settings& settings, Settings& lastStored) {
    std::vector<const StoredField*> changed;
    std::vector<std::pair<const char*, std::string>> values;
    for (const char* name : kSavedNames) {
        const StoredField& field = FieldNamed(name);
        std::string text = FieldText(settings, field);
        if (text == FieldText(lastStored, field)) continue;
        changed.push_back(&field);
        values.emplace_back(field.name, std::move(text));
    }
    std::string failure = WriteStoredValues(values);
    if (!failure.empty()) return failure;
    for (const StoredField* field : changed) CopyField(lastStored, settings, *field);
    return failure;
}

void LoadSettings() { LoadSettings(ProcessSettings(), ProcessLastStored()); }

std::string SaveSettings() { return SaveSettings(ProcessSettings(), ProcessLastStored()); }
