#pragma once

#include <string>

// Shows a message box with one OK button. The programs show a real one; tests record what
// would have been shown.
class UserMessages {
public:
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual ~UserMessages() = default;
};
