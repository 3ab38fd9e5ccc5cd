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

}  // namespace

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
