#pragma once

#include <QComboBox>
#include <QDialog>

#include "settings/presets.h"
#include "settings/settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class UserMessages;

// The version list: reports every activation, not only a changed selection, since any
// touch of the list applies the presets of the selected version.
class VersionListBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void touched();

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// The configuration dialog shared by the viewer and the screen saver. It edits the
// program's settings record; OK copies the fields into it, runs the saved-game import and
// waits for it, validates and saves, and says so when the store cannot be written. A path
// longer than the store keeps is refused before anything happens. The dialog ends with
// result 1 on OK and on Cancel alike.
class ConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    ConfigurationDialog(VersionList& versions, UserMessages& messages, QWidget* parent = nullptr);

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildTripleAGroup();
    QWidget* BuildImportGroup();
    QWidget* BuildDefaultsGroup();
    QWidget* BuildRenderingGroup();
    QWidget* BuildLogoGroup();
    QLineEdit* AddPathRow(class QGridLayout* grid, int row, int labelId, const char* label,
                          int fieldId, int buttonId);

    void CentreOnScreen();
    void FillFromSettings();
    void UpdateImportControls();
    void ApplyDefaults();
    void ChooseFolder(QLineEdit* field, const QString& title);
    void ChooseFile(QLineEdit* field, const QString& filter);
    // False, after telling the user which, when a field holds more than the store keeps.
    bool FieldsFitTheStore();
    void Confirm();
    int CheckedGame() const;

    Settings& settings;
    VersionList& versions;
    UserMessages& messages;

    QLineEdit* mapsField = nullptr;
    QLineEdit* imagesField = nullptr;
    QLineEdit* gameField = nullptr;
    QLineEdit* saveField = nullptr;
    QLineEdit* javaField = nullptr;
    QLineEdit* jarField = nullptr;
    QLineEdit* rootField = nullptr;
    QLineEdit* previousDelayField = nullptr;
    QLineEdit* currentDelayField = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* javaButton = nullptr;
    QPushButton* jarButton = nullptr;
    QCheckBox* importBox = nullptr;
    VersionListBox* versionList = nullptr;
    QList<QRadioButton*> gameButtons;
    QSlider* zoomSlider = nullptr;
    QCheckBox* labelsBox = nullptr;
    QCheckBox* quantitiesBox = nullptr;
    QCheckBox* reliefBox = nullptr;
    QCheckBox* bigFlagsBox = nullptr;
    QLabel* logo = nullptr;
    QList<std::pair<QLineEdit*, const char*>> pathFields;  // with their labels
};

// Runs the configuration dialog modally over owner and returns its result (1).
int ScreenSaverConfigureDialog(QWidget* owner, VersionList& versions, UserMessages& messages);
