#pragma once

// For caches kept from one frame to the next: erases the entries whose value was not marked
// used since the last call and clears the mark of the others.
template <class Map>
void DropUnusedEntries(Map& entries) {
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->second.used) {
            it->second.used = false;
            ++it;
        } else {
            it = entries.erase(it);
        }
    }
}
