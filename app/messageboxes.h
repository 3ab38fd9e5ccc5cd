#pragma once

#include "platform/usermessages.h"

class QWidget;

// Message boxes owned by a window, with one OK button.
class MessageBoxes : public UserMessages {
public:
    explicit MessageBoxes(QWidget* owner = nullptr) : owner(owner) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;

private:
    QWidget* owner;
};
