#include "map/mapproperties.h"

#include "base/stringutil.h"
#include "map/mapfile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kColourPrefix = "color.";
constexpr std::string_view kMapPrefix = "map.";
constexpr std::size_t kColourDigits = 6;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Characters, not bytes, of UTF-8 text: the value's length is counted as the user wrote it.
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

// Splits "key=value" into exactly two pieces; neither may hold another "=". The pieces are
// not trimmed, so blanks around "=" stay part of them.
bool SplitEntry(std::string_view entry, std::string& key, std::string& value) {
    std::vector<std::string> pieces = SplitString(entry, '=');
    if (pieces.size() != 2) return false;
    key = std::move(pieces[0]);
    value = std::move(pieces[1]);
    return true;
}

void ApplyColour(MapData& mapData, std::string_view entry) {
    std::string player;
    std::string value;
    if (!SplitEntry(entry, player, value) || CharacterCount(value) != kColourDigits) return;
    mapData.PlayerColours[player] = 0xFF000000u | static_cast<std::uint32_t>(ParseHex(value));
}

void ApplyMapSize(MapData& mapData, std::string_view entry) {
    std::string key;
    std::string value;
    if (!SplitEntry(entry, key, value)) return;
    if (key == "width") mapData.mapWidth = ReadLeadingInteger(value);
    if (key == "height") mapData.mapHeight = ReadLeadingInteger(value);
}

}  // namespace

bool ReadMapProperties(MapData& mapData) {
    QString text;
    if (!ReadMapTextFile(mapData, QStringLiteral("map.properties"), text)) return false;
    qsizetype position = 0;
    // Only lines ended by a line feed are read.
    for (qsizetype lineFeed = text.indexOf(u'\n'); lineFeed >= 0;
         lineFeed = text.indexOf(u'\n', position)) {
        const QString trimmed = TrimSpace(QStringView(text).mid(position, lineFeed - position));
        position = lineFeed + 1;
        if (trimmed.isEmpty() || trimmed.front() == u'#') continue;
        const std::string line = trimmed.toStdString();
        if (StartsWith(line, kColourPrefix)) {
            ApplyColour(mapData, std::string_view(line).substr(kColourPrefix.size()));
        }
        if (StartsWith(line, kMapPrefix)) {
            ApplyMapSize(mapData, std::string_view(line).substr(kMapPrefix.size()));
        }
    }
    return true;
}
