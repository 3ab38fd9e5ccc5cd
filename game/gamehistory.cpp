#include "game/gamehistory.h"

void ClearAllUnits(GameHistory& history) {
    for (HistoryFrame& frame : history.frames) {
        for (auto& entry : frame) entry.second->ClearUnits();
    }
}
