#include "base/textfile.h"

#include "base/regularfile.h"

#include <cerrno>
#include <new>
#include <vector>

#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1252 for the bytes 0x80 to 0x9F; the five unassigned ones map to the C1 control
// characters of the same value, as Windows' own conversion does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(const unsigned char* data, std::size_t size) {
    QString text(static_cast<qsizetype>(size), Qt::Uninitialized);
    QChar* out = text.data();
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char byte = data[i];
        out[i] = (byte >= 0x80 && byte <= 0x9F) ? QChar(kWindows1252High[byte - 0x80])
                                                : QChar(static_cast<char16_t>(byte));
    }
    return text;
}

QString DecodeUtf16LittleEndian(const unsigned char* data, std::size_t size) {
    QString text;
    text.reserve(static_cast<qsizetype>((size + 1) / 2));
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.append(QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8))));
    }
    // An odd last byte pairs with the zero that ends the buffer.
    if (size % 2 != 0) text.append(QChar(static_cast<char16_t>(data[size - 1])));
    return text;
}

bool DecodeUtf8(const char* data, std::size_t size, QString& text) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = decoder.decode(QByteArrayView(data, static_cast<qsizetype>(size)));
    return !decoder.hasError();
}

// Reads what is left of the file into bytes: in one go at its size, or in pieces until its
// end when its size is not known beforehand (as with files of /proc), at most
// kMaxTextFileBytes.
HResult ReadWholeFile(int fd, std::vector<char>& bytes) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return ResultFromPlatformError(errno);
    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t expected = S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
    std::size_t done = 0;
    try {
        bytes.resize(expected > 0 ? expected : kPiece);
        for (;;) {
            if (done == bytes.size()) {
                if (expected > 0 && done == expected) break;
                if (done >= static_cast<std::size_t>(kMaxTextFileBytes)) return kResultFileTooLarge;
                bytes.resize(bytes.size() + kPiece);
            }
            const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (count < 0) {
                if (errno == EINTR) continue;
                return ResultFromPlatformError(errno);
            }
            if (count == 0) break;
            done += static_cast<std::size_t>(count);
        }
    } catch (const std::bad_alloc&) {
        return kResultOutOfMemory;
    }
    bytes.resize(done);
    return kResultOk;
}

}  // namespace

QString DecodeText(const char* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (size > 1 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return DecodeUtf16LittleEndian(bytes + 2, size - 2);
    }
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        data += 3;
        bytes += 3;
        size -= 3;
    }
    QString text;
    if (DecodeUtf8(data, size, text)) return text;
    return DecodeWindows1252(bytes, size);
}

HResult ReadTextFile(const std::string& path, QString& text) {
    FileDescriptor file;
    HResult result = OpenRegularFile(path, file, kMaxTextFileBytes);
    if (result < 0) return result;
    std::vector<char> bytes;
    result = ReadWholeFile(file.Get(), bytes);
    if (result < 0) return result;
    text = DecodeText(bytes.data(), bytes.size());
    return kResultOk;
}
