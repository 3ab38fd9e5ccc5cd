#pragma once

#include <cstdint>
#include <string>

#include "base/filehandle.h"
#include "base/unknown.h"

class QFile;

// The largest text file the programs read; a larger one counts as unreadable.
constexpr std::int64_t kMaxTextFileBytes = std::int64_t{1} << 30;
constexpr std::int64_t kNoSizeLimit = INT64_MAX;

// What OpenRegularFile answers for a name that is not a regular file, and for a file past
// its size limit.
constexpr HResult kResultNotRegularFile = static_cast<HResult>(0x80070000u | 6u);  // ENXIO
constexpr HResult kResultFileTooLarge = static_cast<HResult>(0x80070000u | 27u);   // EFBIG

// A file descriptor that is closed with its holder.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd(other.Take()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd; }
    // Hands the descriptor over; the holder no longer closes it.
    int Take();

private:
    int fd = -1;
};

// Opens path for reading when it names a regular file (links followed) of at most
// sizeLimit bytes. Folders, pipes, devices and sockets are refused like a missing file,
// and nothing waits: the name is looked at before it is opened, and opened without
// blocking in case it was replaced by a pipe in between. The descriptor blocks again for
// reading and is closed on exec.
HResult OpenRegularFile(const std::string& path, FileDescriptor& file,
                        std::int64_t sizeLimit = kNoSizeLimit);

// The same as a C stream for binary reading, or none.
FileHandle OpenRegularStream(const std::string& path, std::int64_t sizeLimit = kNoSizeLimit);

// The same as an open QFile (for QImageReader and the like). False when refused.
bool OpenRegularFile(const std::string& path, QFile& file, std::int64_t sizeLimit = kNoSizeLimit);

// True when nothing is at path or path names a regular file (links followed) of at most
// sizeLimit bytes: what may be handed to code that opens files by name itself, such as
// QSettings, without it blocking or reading without end.
bool IsRegularFileOrMissing(const std::string& path, std::int64_t sizeLimit = kNoSizeLimit);

// Why path cannot be read as a file of at most sizeLimit bytes, in words that finish a
// sentence starting with the path ("does not exist", "is a named pipe, not a file",
// "cannot be read: Permission denied", "is larger than 1 GB"); empty when it can be read.
std::string DescribeUnreadableFile(const std::string& path, std::int64_t sizeLimit = kNoSizeLimit);
