#include "gifwriter.h"

#include <QFile>
#include <QSaveFile>

#include <cstdint>
#include <map>
#include <vector>

namespace {

constexpr int kMinimumCodeSize = 8;
constexpr int kClearCode = 1 << kMinimumCodeSize;
constexpr int kEndCode = kClearCode + 1;
// Literal codes are sent at 9 bits; a clear code before the decoder's table would need a
// tenth bit keeps every code 9 bits wide, so no compression state is needed.
constexpr int kLiteralsPerClear = 254;

struct Palette {
    std::vector<QRgb> colours;
    int transparentIndex = -1;
};

int Distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

std::vector<std::uint8_t> IndexPixels(const QImage& image, Palette& palette) {
    std::map<QRgb, int> indexOf;
    std::vector<std::uint8_t> indices;
    indices.reserve(static_cast<std::size_t>(image.width() * image.height()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 128) {
                if (palette.transparentIndex < 0 && palette.colours.size() < 256) {
                    palette.transparentIndex = static_cast<int>(palette.colours.size());
                    palette.colours.push_back(qRgb(0, 0, 0));
                }
                indices.push_back(static_cast<std::uint8_t>(
                    palette.transparentIndex < 0 ? 0 : palette.transparentIndex));
                continue;
            }
            const QRgb colour = qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
            auto found = indexOf.find(colour);
            if (found == indexOf.end() && palette.colours.size() < 256) {
                found = indexOf.emplace(colour, static_cast<int>(palette.colours.size())).first;
                palette.colours.push_back(colour);
            }
            if (found != indexOf.end()) {
                indices.push_back(static_cast<std::uint8_t>(found->second));
                continue;
            }
            int best = 0;
            for (int i = 1; i < static_cast<int>(palette.colours.size()); ++i) {
                if (i != palette.transparentIndex &&
                    Distance(palette.colours[static_cast<std::size_t>(i)], colour) <
                        Distance(palette.colours[static_cast<std::size_t>(best)], colour)) {
                    best = i;
                }
            }
            indices.push_back(static_cast<std::uint8_t>(best));
        }
    }
    palette.colours.resize(256, qRgb(0, 0, 0));
    return indices;
}

class CodeWriter {
public:
    void Write(int code) {
        bits |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += kMinimumCodeSize + 1;
        while (bitCount >= 8) {
            bytes.push_back(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    }
    QByteArray Finish() {
        if (bitCount > 0) bytes.push_back(static_cast<char>(bits & 0xFF));
        return bytes;
    }

private:
    QByteArray bytes;
    std::uint32_t bits = 0;
    int bitCount = 0;
};

QByteArray EncodeImageData(const std::vector<std::uint8_t>& indices) {
    CodeWriter writer;
    writer.Write(kClearCode);
    int sinceClear = 0;
    for (std::uint8_t index : indices) {
        if (sinceClear == kLiteralsPerClear) {
            writer.Write(kClearCode);
            sinceClear = 0;
        }
        writer.Write(index);
        ++sinceClear;
    }
    writer.Write(kEndCode);
    return writer.Finish();
}

void AppendWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

}  // namespace

bool WriteGif(const QImage& source, const QString& path) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    Palette palette;
    const std::vector<std::uint8_t> indices = IndexPixels(image, palette);

    QByteArray out("GIF89a");
    AppendWord(out, image.width());
    AppendWord(out, image.height());
    out.append(static_cast<char>(0xF7));  // global colour table of 256 entries
    out.append('\0');
    out.append('\0');
    for (QRgb colour : palette.colours) {
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    if (palette.transparentIndex >= 0) {
        out.append("\x21\xF9\x04\x01\x00\x00", 6);
        out.append(static_cast<char>(palette.transparentIndex));
        out.append('\0');
    }
    out.append(',');
    AppendWord(out, 0);
    AppendWord(out, 0);
    AppendWord(out, image.width());
    AppendWord(out, image.height());
    out.append('\0');
    out.append(static_cast<char>(kMinimumCodeSize));
    const QByteArray data = EncodeImageData(indices);
    for (int offset = 0; offset < data.size(); offset += 255) {
        const int length = std::min(255, static_cast<int>(data.size()) - offset);
        out.append(static_cast<char>(length));
        out.append(data.constData() + offset, length);
    }
    out.append('\0');
    out.append(';');

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(out);
    return file.commit();
}
