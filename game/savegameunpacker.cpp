#include "game/savegameunpacker.h"

#include "base/regularfile.h"

#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr unsigned kReadSize = 100;

// Creates (or empties) the scratch file for binary writing. A symbolic link in its place
// is refused, so that unpacking never writes through it into some other file.
FileHandle CreateScratchFile(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return FileHandle(file);
}

// The saved game through a descriptor that only a regular file gives, handed to zlib.
gzFile OpenSavedGame(const std::string& path) {
    FileDescriptor file;
    if (OpenRegularFile(path, file) < 0) return nullptr;
    const gzFile save = gzdopen(file.Get(), "rb");
    if (save) file.Take();
    return save;
}

void CopyUnpacked(gzFile save, std::FILE* scratch) {
    char buffer[kReadSize];
    for (;;) {
        const int count = gzread(save, buffer, kReadSize);
        if (count <= 0) break;
        std::fwrite(buffer, 1, static_cast<std::size_t>(count), scratch);
    }
}

}  // namespace

void UnpackSaveGame(GameHistory& history, const std::string& path) {
    if (path.empty()) return;
    ClearAllUnits(history);
    const gzFile save = OpenSavedGame(path);
    const std::string scratchPath = path + "_unzipped";
    FileHandle scratch = CreateScratchFile(scratchPath);
    if (!scratch) {
        if (save) gzclose(save);
        return;
    }
    if (save) {
        CopyUnpacked(save, scratch.get());
        gzclose(save);
    }
    scratch.reset();
    std::remove(scratchPath.c_str());
}
