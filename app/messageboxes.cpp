#include "app/messageboxes.h"

#include <QMessageBox>

void MessageBoxes::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox::warning(owner, QString::fromStdString(caption), QString::fromStdString(text),
                         QMessageBox::Ok);
}
