#include "base/outputpath.h"

#include "base/pathutil.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// Splits path into its folder ("." when it has none) and its last name.
void SplitPath(std::string_view path, std::string& folder, std::string& name) {
    path = WithoutTrailingSlashes(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        folder = ".";
        name = std::string(path);
    } else {
        folder = slash == 0 ? "/" : std::string(path.substr(0, slash));
        name = std::string(path.substr(slash + 1));
    }
}

// A new file beside path that nobody else uses: ".<name>.<pid>.<n>.part".
int CreatePartFile(const std::string& path, std::string& partPath) {
    std::string folder, name;
    SplitPath(path, folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        partPath = folder + "/." + name + "." + std::to_string(::getpid()) + "." +
                   std::to_string(attempt) + ".part";
        const int fd = ::open(partPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) return path;
    std::string absolute = std::string(folder) + "/" + path;
    std::free(folder);
    return absolute;
}

// A name made of the UTF-8 text of name, each byte that is not UTF-8 replaced by "_".
std::string PlainName(const std::string& name) {
    QString text = PathText(name);
    for (QChar& c : text) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) c = u'_';
    }
    const std::string plain = text.toStdString();
    return plain.empty() || plain == "." || plain == ".." ? "path" : plain;
}

}  // namespace

bool QtKeepsPath(const std::string& path) {
    return QFile::encodeName(PathText(path)).toStdString() == path;
}

std::string SystemTemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    struct stat status {};
    if (folder && folder[0] == '/' && QtKeepsPath(folder) && ::stat(folder, &status) == 0 &&
        S_ISDIR(status.st_mode)) {
        return folder;
    }
    return "/tmp";
}

bool WriteFileReplacing(const std::string& path, const QByteArray& data, std::string* error) {
    std::string partPath;
    const int fd = CreatePartFile(path, partPath);
    if (fd < 0) {
        if (error) *error = ErrorText(errno);
        return false;
    }
    bool written = WriteAll(fd, data.constData(), static_cast<std::size_t>(data.size()));
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    // rename replaces an older file of the same name in one step.
    if (written && std::rename(partPath.c_str(), path.c_str()) != 0) {
        written = false;
        failure = errno;
    }
    if (!written) {
        ::unlink(partPath.c_str());
        if (error) *error = ErrorText(failure != 0 ? failure : EIO);
    }
    return written;
}

PathStandIn::PathStandIn(const std::string& path) : text(PathText(path)) {
    if (path.empty() || QtKeepsPath(path)) return;
    const std::string absolute = AbsolutePath(path);
    std::string folder, name;
    SplitPath(absolute, folder, name);
    const bool forFolder = QtKeepsPath(name);
    const std::string target = forFolder ? folder : absolute;
    std::string made = SystemTemporaryFolder() + "/quelm-XXXXXX";
    if (!::mkdtemp(made.data())) return;
    linkFolder = made;
    std::string targetFolder, targetName;
    SplitPath(target, targetFolder, targetName);
    link = linkFolder + "/" + PlainName(targetName);
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        link.clear();
        return;
    }
    targetText = PathText(target);
    text = QString::fromStdString(link) + (forFolder ? PathText("/" + name) : QString());
}

PathStandIn::~PathStandIn() {
    if (!link.empty()) ::unlink(link.c_str());
    if (!linkFolder.empty()) ::rmdir(linkFolder.c_str());
}

QString PathStandIn::Unmasked(QString message) const {
    if (link.empty()) return message;
    return message.replace(QString::fromStdString(link), targetText);
}

QString DisplayPath(const QString& pathText) {
    QString shown;
    shown.reserve(pathText.size());
    for (qsizetype i = 0; i < pathText.size(); ++i) {
        const char16_t c = pathText[i].unicode();
        const bool escaped =
            c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !pathText[i - 1].isHighSurrogate());
        if (escaped) {
            shown += QString::asprintf("\\x%02X", static_cast<unsigned>(c & 0xFF));
        } else {
            shown += pathText[i];
        }
    }
    return shown;
}

namespace {

bool ExistsAsNamed(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// The one entry of folder whose name Qt shows as shown, or "" when none or several are.
std::string EntryShownAs(const std::string& folder, const QString& shown) {
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return {};
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (QFile::decodeName(entry->d_name) != shown) continue;
        found = entry->d_name;
        ++matches;
    }
    ::closedir(listing);
    return matches == 1 ? found : std::string();
}

}  // namespace

std::string PathFromQtName(const QString& name) {
    if (!name.contains(QChar::ReplacementCharacter)) return PathBytes(name);
    std::string path;
    const QStringList parts = name.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::string folder = path;
        if (i > 0) path += '/';
        const std::string asNamed = path + PathBytes(parts[i]);
        if (!parts[i].contains(QChar::ReplacementCharacter) || ExistsAsNamed(asNamed)) {
            path = asNamed;
            continue;
        }
        const std::string entry = EntryShownAs(i == 1 && folder.empty() ? "/" : folder, parts[i]);
        path = entry.empty() ? asNamed : path + entry;
    }
    return path;
}
