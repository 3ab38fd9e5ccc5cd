#pragma once

#include <cstdint>
#include <string>

// What the file system says about a file at one moment, following links: while none of
// it changes, the file's contents are taken to be unchanged. A file that cannot be looked
// at gives a stamp with exists false, equal to every other such stamp.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;  // the status change time, which no one can set back

    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.exists == b.exists && a.device == b.device && a.inode == b.inode &&
               a.size == b.size && a.modifiedNanoseconds == b.modifiedNanoseconds &&
               a.changedNanoseconds == b.changedNanoseconds;
    }
    friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};

// The stamp of the file at path (bytes as the file system takes them).
FileStamp StampOfFile(const std::string& path);
