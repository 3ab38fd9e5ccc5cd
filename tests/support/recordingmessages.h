#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/usermessages.h"

// Keeps every message box that would have been shown: (text, caption).
class RecordingMessages : public UserMessages {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        shown.emplace_back(text, caption);
    }
    std::vector<std::pair<std::string, std::string>> shown;
};
