#include "game/gamehistory.h"

void ClearAllUnits(GameHistory& history) {
    for (HistoryFrame& frame : history.frames) {
        for (auto& entry : frame) entry.second->ClearUnits();
    }
}

void SetIndexedText(std::vector<std::string>& texts, std::int32_t index, const std::string& text) {
    if (index < 0) return;
    const auto position = static_cast<std::size_t>(index);
    if (position == texts.size()) {
        texts.push_back(text);
    } else if (position < texts.size()) {
        texts[position] = text;
    }
}
