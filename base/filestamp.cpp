#include "base/filestamp.h"

#include <sys/stat.h>

namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
}

}  // namespace

FileStamp StampOfFile(const std::string& path) {
    struct stat status {};
    FileStamp stamp;
    if (::stat(path.c_str(), &status) != 0) return stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.size = static_cast<std::int64_t>(status.st_size);
    stamp.modifiedNanoseconds = Nanoseconds(status.st_mtim);
    stamp.changedNanoseconds = Nanoseconds(status.st_ctim);
    return stamp;
}
