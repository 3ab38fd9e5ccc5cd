#include "base/pathutil.h"

namespace {

constexpr char16_t kSeparator = u'/';

bool SameLetter(QChar a, QChar b) { return a.toUpper() == b.toUpper(); }

bool MatchFrom(const QChar* pattern, const QChar* patternEnd, const QChar* name,
               const QChar* nameEnd) {
    while (pattern != patternEnd && name != nameEnd) {
        if (*pattern == u'?') {
            ++pattern;
            ++name;
        } else if (*pattern != u'*') {
            if (!SameLetter(*pattern, *name)) return false;
            ++pattern;
            ++name;
        } else if (*name == u'.' && pattern + 1 != patternEnd && pattern[1] == u'.') {
            // "*." against a dot: first let the star swallow this dot too, else match it.
            if (MatchFrom(pattern, patternEnd, name + 1, nameEnd)) return true;
            pattern += 2;
            ++name;
        } else {
            if (MatchFrom(pattern + 1, patternEnd, name, nameEnd)) return true;
            ++name;
            if (name == nameEnd) ++pattern;
        }
    }
    const bool nameDone = name == nameEnd;
    if (pattern == patternEnd) return nameDone;
    if (*pattern == u'*') return true;
    if (*pattern == u'.' && nameDone) {
        return pattern + 1 == patternEnd || pattern[1] == u'*';
    }
    return false;
}

constexpr char16_t kEscapedByte = 0xDC00;

// The length of the UTF-8 sequence at bytes[i], or 0 when none starts there: overlong
// forms, surrogates and code points past U+10FFFF are no UTF-8.
std::size_t Utf8SequenceAt(const std::string& bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

QString PathText(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kEscapedByte | static_cast<unsigned char>(bytes[i])));
            ++i;
        } else {
            text += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
            i += length;
        }
    }
    return text;
}

std::string PathBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype start = 0;  // of the run of ordinary characters not yet written
    const auto flush = [&](qsizetype end) {
        bytes += QStringView(text).mid(start, end - start).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool escaped =
            c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
        if (!escaped) continue;
        flush(i);
        bytes += static_cast<char>(c & 0xFF);
        start = i + 1;
    }
    flush(text.size());
    return bytes;
}

QString JoinPath(const QString& folder, const QString& name) {
    if (name.isEmpty()) return folder;
    if (folder.isEmpty()) return name;
    QString result;
    result.reserve(folder.size() + name.size() + 5);
    result += folder;
    if (!folder.endsWith(kSeparator)) result += kSeparator;
    result += name.startsWith(kSeparator) ? name.mid(1) : name;
    return result;
}

bool MatchWildcard(const QString& pattern, const QString& name) {
    return MatchFrom(pattern.constData(), pattern.constData() + pattern.size(), name.constData(),
                     name.constData() + name.size());
}
