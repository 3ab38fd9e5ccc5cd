#include "base/regularfile.h"

#include <cerrno>
#include <cstring>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(kResultNotRegularFile == static_cast<HResult>(0x80070000u | ENXIO));
static_assert(kResultFileTooLarge == static_cast<HResult>(0x80070000u | EFBIG));

namespace {

// Looks at what path names now, links followed: 0, or the result code of a refusal.
HResult CheckRegular(const struct stat& status, std::int64_t sizeLimit) {
    if (!S_ISREG(status.st_mode)) return kResultNotRegularFile;
    if (status.st_size > sizeLimit) return kResultFileTooLarge;
    return kResultOk;
}

HResult CheckPath(const std::string& path, std::int64_t sizeLimit) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return ResultFromPlatformError(errno);
    return CheckRegular(status, sizeLimit);
}

const char* DescribeSpecialFile(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder, not a file";
    if (S_ISFIFO(mode)) return "is a named pipe, not a file";
    if (S_ISSOCK(mode)) return "is a socket, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
    return "is not a regular file";
}

// The platform error number inside a result code made by ResultFromPlatformError.
int PlatformErrorOf(HResult result) {
    return static_cast<int>(static_cast<std::uint32_t>(result) & 0xFFFFu);
}

std::string CannotRead(int error) { return std::string("cannot be read: ") + std::strerror(error); }

std::string SizeInWords(std::int64_t bytes) {
    if (bytes % (std::int64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GB";
    return std::to_string(bytes >> 20) + " MB";
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd >= 0) ::close(fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = other.Take();
    }
    return *this;
}

int FileDescriptor::Take() {
    const int taken = fd;
    fd = -1;
    return taken;
}

HResult OpenRegularFile(const std::string& path, FileDescriptor& file, std::int64_t sizeLimit) {
    // Looking first keeps devices from being opened at all: opening some has effects.
    HResult result = CheckPath(path, sizeLimit);
    if (result < 0) return result;
    FileDescriptor opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (opened.Get() < 0) return ResultFromPlatformError(errno);
    struct stat status {};
    if (::fstat(opened.Get(), &status) != 0) return ResultFromPlatformError(errno);
    result = CheckRegular(status, sizeLimit);
    if (result < 0) return result;
    const int flags = ::fcntl(opened.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(opened.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return ResultFromPlatformError(errno);
    }
    file = std::move(opened);
    return kResultOk;
}

FileHandle OpenRegularStream(const std::string& path, std::int64_t sizeLimit) {
    FileDescriptor file;
    if (OpenRegularFile(path, file, sizeLimit) < 0) return nullptr;
    std::FILE* stream = ::fdopen(file.Get(), "rb");
    if (stream) file.Take();
    return FileHandle(stream);
}

bool OpenRegularFile(const std::string& path, QFile& file, std::int64_t sizeLimit) {
    FileDescriptor descriptor;
    if (OpenRegularFile(path, descriptor, sizeLimit) < 0) return false;
    if (!file.open(descriptor.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return false;
    }
    descriptor.Take();
    return true;
}

bool IsRegularFileOrMissing(const std::string& path, std::int64_t sizeLimit) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return errno == ENOENT;
    return CheckRegular(status, sizeLimit) == kResultOk;
}

std::string DescribeUnreadableFile(const std::string& path, std::int64_t sizeLimit) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno != ENOENT) return CannotRead(errno);
        return ::lstat(path.c_str(), &status) == 0 ? "is a link to nothing" : "does not exist";
    }
    if (!S_ISREG(status.st_mode)) return DescribeSpecialFile(status.st_mode);
    if (status.st_size > sizeLimit) return "is larger than " + SizeInWords(sizeLimit);
    FileDescriptor file;
    const HResult result = OpenRegularFile(path, file, sizeLimit);
    return result < 0 ? CannotRead(PlatformErrorOf(result)) : std::string();
}
