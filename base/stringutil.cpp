#include "base/stringutil.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace {

bool IsSpaceOrControl(char16_t c) { return c == 9 || c == 10 || c == 13 || c == 32; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// The white space that C's atoi skips.
bool IsCSpace(char16_t c) { return c == ' ' || (c >= 9 && c <= 13); }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char16_t CodeOf(char c) { return static_cast<unsigned char>(c); }
char16_t CodeOf(QChar c) { return c.unicode(); }

template <class Text>
std::int32_t ReadLeadingIntegerOf(const Text& text) {
    std::size_t i = 0;
    const std::size_t size = static_cast<std::size_t>(text.size());
    auto at = [&](std::size_t index) { return CodeOf(text[static_cast<decltype(text.size())>(index)]); };
    while (i < size && IsCSpace(at(i))) ++i;
    bool negative = false;
    if (i < size && (at(i) == u'+' || at(i) == u'-')) {
        negative = at(i) == u'-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; i < size && at(i) >= u'0' && at(i) <= u'9'; ++i) {
        value = value * 10 + (at(i) - u'0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value == kLimit ? kLimit - 1 : value);
}

}  // namespace

QString TrimSpace(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpaceOrControl(text[begin].unicode())) ++begin;
    while (end > begin && IsSpaceOrControl(text[end - 1].unicode())) --end;
    return text.mid(begin, end - begin).toString();
}

std::string TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> SplitString(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t found = text.find(separator); found != std::string_view::npos;
         found = text.find(separator, start)) {
        pieces.emplace_back(text.substr(start, found - start));
        start = found + 1;
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

std::int32_t ParseHex(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t ReadLeadingInteger(std::string_view text) { return ReadLeadingIntegerOf(text); }
std::int32_t ReadLeadingInteger(QStringView text) { return ReadLeadingIntegerOf(text); }

void FormatString(std::string& out, const char* format, ...) {
    std::string buffer(256, '\0');
    for (;;) {
        va_list arguments;
        va_start(arguments, format);
        const int needed = std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
        va_end(arguments);
        if (needed < 0) {
            buffer.clear();
            break;
        }
        if (static_cast<std::size_t>(needed) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(needed));
            break;
        }
        buffer.resize(static_cast<std::size_t>(needed) + 1);
    }
    out = std::move(buffer);
}

void ReplaceFirst(std::string& text, std::string_view what, std::string_view by) {
    if (what.empty()) return;
    const std::size_t found = text.find(what);
    if (found != std::string::npos) text.replace(found, what.size(), by);
}
