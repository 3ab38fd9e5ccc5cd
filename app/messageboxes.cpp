#include "app/messageboxes.h"

#include <QMessageBox>

#include "base/outputpath.h"
#include "base/pathutil.h"

// The text is bytes that may name paths: those that are not UTF-8 are shown as escapes.
void MessageBoxes::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox::warning(owner, QString::fromStdString(caption), DisplayPath(PathText(text)),
                         QMessageBox::Ok);
}
