#include "app/configurationdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include "app/artwork.h"
#include "app/helppages.h"
#include "app/saveimport.h"
#include "base/outputpath.h"
#include "base/pathutil.h"
#include "base/stringutil.h"
#include "platform/usermessages.h"
#include "settings/settingsstore.h"
#include "settings/validation.h"

namespace {

constexpr int kFieldLimit = 1023;

// Controls keep the identifiers of the original dialog as their object names.
template <class Widget>
Widget* Named(Widget* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

QLabel* MakeLabel(int id, const char* text) {
    return Named(new QLabel(QString::fromUtf8(text)), id);
}

QLineEdit* MakeField(int id) {
    auto* field = Named(new QLineEdit, id);
    field->setMaxLength(kFieldLimit);
    field->setMinimumWidth(340);
    return field;
}

QPushButton* MakeBrowseButton(int id) {
    auto* button = Named(new QPushButton(QStringLiteral("...")), id);
    button->setFixedWidth(32);
    button->setAutoDefault(false);
    return button;
}

// Paths keep their bytes through the fields, whatever their encoding (see PathText).
QString FromSetting(const std::string& text) { return PathText(text); }
std::string ToSetting(const QLineEdit* field) { return PathBytes(field->text().left(kFieldLimit)); }

}  // namespace

void VersionListBox::showPopup() {
    emit touched();
    QComboBox::showPopup();
}

void VersionListBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    emit touched();
}

ConfigurationDialog::ConfigurationDialog(VersionList& versionList, UserMessages& messageBoxes,
                                         QWidget* parent)
    : QDialog(parent), settings(ProcessSettings()), versions(versionList), messages(messageBoxes) {
    setObjectName(QStringLiteral("2003"));
    setWindowTitle(QStringLiteral("TripleA Configuration (Press F1 for help)"));
    BuildControls();
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OpenHelpPage(messages); });
    CentreOnScreen();
    FillFromSettings();
}

void ConfigurationDialog::BuildControls() {
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(BuildTripleAGroup());
    left->addWidget(BuildImportGroup());
    left->addWidget(BuildDefaultsGroup());
    auto* right = new QVBoxLayout;
    right->addWidget(BuildRenderingGroup());
    right->addWidget(BuildLogoGroup());
    right->addStretch();
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    auto* ok = Named(new QPushButton(QStringLiteral("OK")), 1);
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel")), 2);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (!FieldsFitTheStore()) return;
        Confirm();
        done(1);
    });
    connect(cancel, &QPushButton::clicked, this, &ConfigurationDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* page = new QVBoxLayout(this);
    page->addLayout(columns);
    page->addLayout(buttons);
}

QLineEdit* ConfigurationDialog::AddPathRow(QGridLayout* grid, int row, int labelId,
                                           const char* label, int fieldId, int buttonId) {
    QLineEdit* field = MakeField(fieldId);
    pathFields.append({field, label});
    grid->addWidget(MakeLabel(labelId, label), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(MakeBrowseButton(buttonId), row, 2);
    return field;
}

QWidget* ConfigurationDialog::BuildTripleAGroup() {
    auto* group = new QGroupBox(QStringLiteral("TripleA"));
    auto* grid = new QGridLayout(group);
    mapsField = AddPathRow(grid, 0, 1001, "TripleA Maps Directory", 1000, 1002);
    imagesField = AddPathRow(grid, 1, 1007, "TripleA Images Directory", 1006, 1008);
    gameField = AddPathRow(grid, 2, 1004, "TripleA Game Config File", 1003, 1005);
    const QString folderTitle = QStringLiteral("Select the TripleA data directory");
    connect(group->findChild<QPushButton*>("1002"), &QPushButton::clicked, this,
            [this, folderTitle] { ChooseFolder(mapsField, folderTitle); });
    connect(group->findChild<QPushButton*>("1008"), &QPushButton::clicked, this,
            [this, folderTitle] { ChooseFolder(imagesField, folderTitle); });
    connect(group->findChild<QPushButton*>("1005"), &QPushButton::clicked, this,
            [this] { ChooseFile(gameField, QStringLiteral("*.xml")); });
    return group;
}

QWidget* ConfigurationDialog::BuildImportGroup() {
    auto* group = new QGroupBox(QStringLiteral("TripleA File Import"));
    auto* grid = new QGridLayout(group);
    importBox = Named(new QCheckBox(QStringLiteral("Import TripleA Savegame")), 1035);
    grid->addWidget(importBox, 0, 0, 1, 3);
    saveField = AddPathRow(grid, 1, 1025, "TripleA Save Game File", 1026, 1027);
    javaField = AddPathRow(grid, 2, 1029, "Java Runtime", 1030, 1031);
    jarField = AddPathRow(grid, 3, 1032, "TripleA JAR File", 1033, 1034);
    saveButton = group->findChild<QPushButton*>("1027");
    javaButton = group->findChild<QPushButton*>("1031");
    jarButton = group->findChild<QPushButton*>("1034");
    connect(importBox, &QCheckBox::clicked, this, &ConfigurationDialog::UpdateImportControls);
    connect(saveButton, &QPushButton::clicked, this,
            [this] { ChooseFile(saveField, QStringLiteral("*.tsvg")); });
    // The Java runtime is the "java" program here, not "java.exe".
    connect(javaButton, &QPushButton::clicked, this,
            [this] { ChooseFile(javaField, QStringLiteral("java")); });
    connect(jarButton, &QPushButton::clicked, this,
            [this] { ChooseFile(jarField, QStringLiteral("triplea.jar")); });
    return group;
}

QWidget* ConfigurationDialog::BuildDefaultsGroup() {
    auto* group = new QGroupBox(QStringLiteral("TripleA Defaults"));
    auto* grid = new QGridLayout(group);
    rootField = AddPathRow(grid, 0, 1019, "TripleA Root Directory", 1023, 1024);
    connect(group->findChild<QPushButton*>("1024"), &QPushButton::clicked, this,
            [this] { ChooseFolder(rootField, QStringLiteral("Select the TripleA directory")); });

    versionList = Named(new VersionListBox, 1015);
    grid->addWidget(MakeLabel(1014, "Version"), 1, 0);
    grid->addWidget(versionList, 1, 1, 1, 2);
    connect(versionList, &VersionListBox::touched, this, &ConfigurationDialog::ApplyDefaults);
    connect(versionList, QOverload<int>::of(&QComboBox::activated), this,
            &ConfigurationDialog::ApplyDefaults);

    // Buttons in the order of the game rows they select.
    const std::pair<int, const char*> games[kGamePresetCount] = {
        {1016, "Revised"}, {1020, "Pact of Steel"}, {1017, "Pacific"},
        {1021, "Europe"},  {1018, "Classic"},       {1022, "Big World"}};
    auto* gameGrid = new QGridLayout;
    for (int row = 0; row < kGamePresetCount; ++row) {
        auto* button =
            Named(new QRadioButton(QString::fromUtf8(games[row].second)), games[row].first);
        gameButtons.append(button);
        gameGrid->addWidget(button, row / 2, row % 2);
    }
    grid->addLayout(gameGrid, 2, 1, 1, 2);

    auto* apply = Named(new QPushButton(QStringLiteral("Apply Defaults")), 3);
    apply->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, &ConfigurationDialog::ApplyDefaults);
    grid->addWidget(apply, 3, 1, 1, 2, Qt::AlignRight);
    return group;
}

QWidget* ConfigurationDialog::BuildRenderingGroup() {
    auto* group = new QGroupBox(QStringLiteral("Rendering"));
    auto* grid = new QGridLayout(group);
    zoomSlider = Named(new QSlider(Qt::Horizontal), 1009);
    zoomSlider->setRange(0, 100);
    zoomSlider->setTickPosition(QSlider::NoTicks);
    grid->addWidget(MakeLabel(1010, "Zoom Factor"), 0, 0);
    grid->addWidget(zoomSlider, 0, 1);
    labelsBox = Named(new QCheckBox(QStringLiteral("Draw Territory labels")), 1011);
    quantitiesBox = Named(new QCheckBox(QStringLiteral("Draw Unit Quantities")), 1012);
    reliefBox = Named(new QCheckBox(QStringLiteral("Use Relief Tiles (if available).")), 1013);
    bigFlagsBox = Named(new QCheckBox(QStringLiteral("Big Flags")), 1036);
    int row = 1;
    for (QCheckBox* box : {labelsBox, quantitiesBox, reliefBox, bigFlagsBox}) {
        grid->addWidget(box, row++, 0, 1, 2);
    }
    previousDelayField = MakeField(1038);
    currentDelayField = MakeField(1040);
    for (QLineEdit* field : {previousDelayField, currentDelayField}) {
        field->setMinimumWidth(0);
        field->setMaximumWidth(60);
    }
    grid->addWidget(MakeLabel(1041, "Previous Turn Delay"), row, 0);
    grid->addWidget(previousDelayField, row++, 1, Qt::AlignLeft);
    grid->addWidget(MakeLabel(1042, "Current Turn Delay"), row, 0);
    grid->addWidget(currentDelayField, row, 1, Qt::AlignLeft);
    return group;
}

QWidget* ConfigurationDialog::BuildLogoGroup() {
    auto* group = new QGroupBox;
    auto* layout = new QVBoxLayout(group);
    logo = Named(new QLabel, 1028);
    logo->setPixmap(QPixmap::fromImage(DrawLogo(QSize(220, 96))));
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip(QStringLiteral("Quelm home page"));
    logo->installEventFilter(this);
    layout->addWidget(logo);
    return group;
}

void ConfigurationDialog::CentreOnScreen() {
    adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.width() / 2 - outer.width() / 2, area.height() / 2 - outer.height() / 2);
}

void ConfigurationDialog::FillFromSettings() {
    LoadSettings();
    mapsField->setText(FromSetting(settings.maps_directory));
    imagesField->setText(FromSetting(settings.images_directory));
    gameField->setText(FromSetting(settings.game_config));
    saveField->setText(FromSetting(settings.save));
    javaField->setText(FromSetting(settings.java_runtime));
    jarField->setText(FromSetting(settings.triplea_jar));
    rootField->setText(FromSetting(settings.base));
    previousDelayField->setText(QString::number(settings.previous_delay));
    currentDelayField->setText(QString::number(settings.current_delay));

    BuildVersionList(settings, versions);
    const QSignalBlocker quiet(versionList);
    versionList->clear();
    for (const VersionPreset& row : versions) versionList->addItem(FromSetting(row.name));
    versionList->setCurrentIndex(settings.version);

    zoomSlider->setValue(settings.zoom_factor);
    bigFlagsBox->setChecked(settings.big_flags);
    labelsBox->setChecked(settings.region_labels);
    quantitiesBox->setChecked(settings.unit_quantities);
    reliefBox->setChecked(settings.relief_tiles);
    importBox->setChecked(settings.do_file_import);
    UpdateImportControls();
    gameButtons.front()->setChecked(true);
}

void ConfigurationDialog::UpdateImportControls() {
    const bool importing = importBox->isChecked();
    if (!importing) {
        saveField->clear();
        settings.save.clear();
    }
    for (QWidget* control : std::initializer_list<QWidget*>{saveField, saveButton, javaField,
                                                            javaButton, jarField, jarButton}) {
        control->setEnabled(importing);
    }
}

int ConfigurationDialog::CheckedGame() const {
    for (int row = 0; row < gameButtons.size(); ++row) {
        if (gameButtons[row]->isChecked()) return row;
    }
    return 0;
}

void ConfigurationDialog::ApplyDefaults() {
    const auto paths =
        HandleGameDefaultChange(settings, versions, ToSetting(rootField),
                                versionList->currentIndex(), CheckedGame(), messages);
    if (!paths) return;
    mapsField->setText(FromSetting(paths->maps_directory));
    imagesField->setText(FromSetting(paths->images_directory));
    gameField->setText(FromSetting(paths->game_config));
    jarField->setText(FromSetting(paths->triplea_jar));
    javaField->setText(FromSetting(settings.java_runtime));
}

void ConfigurationDialog::ChooseFolder(QLineEdit* field, const QString& title) {
    const QString folder = QFileDialog::getExistingDirectory(this, title);
    if (!folder.isEmpty()) field->setText(PathText(PathFromQtName(folder)));
}

void ConfigurationDialog::ChooseFile(QLineEdit* field, const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    if (!file.isEmpty()) field->setText(PathText(PathFromQtName(file)));
}

void ConfigurationDialog::Confirm() {
    settings.maps_directory = ToSetting(mapsField);
    settings.game_config = ToSetting(gameField);
    settings.save = ToSetting(saveField);
    settings.java_runtime = ToSetting(javaField);
    settings.triplea_jar = ToSetting(jarField);
    settings.images_directory = ToSetting(imagesField);
    settings.base = ToSetting(rootField);
    settings.zoom_factor = zoomSlider->value();
    settings.current_delay = ReadLeadingInteger(currentDelayField->text().toStdString());
    settings.previous_delay = ReadLeadingInteger(previousDelayField->text().toStdString());
    settings.big_flags = bigFlagsBox->isChecked();
    settings.region_labels = labelsBox->isChecked();
    settings.unit_quantities = quantitiesBox->isChecked();
    settings.relief_tiles = reliefBox->isChecked();
    settings.do_file_import = importBox->isChecked();
    settings.version = versionList->currentIndex();
    ImportSaveGame(this, settings, importBox->isChecked(), messages);
    ValidateSettings(settings, messages);
    const std::string failure = SaveSettings();
    if (!failure.empty()) messages.ShowMessage(failure, "Settings Not Saved");
}

bool ConfigurationDialog::FieldsFitTheStore() {
    for (const auto& [field, label] : pathFields) {
        const std::string text = ToSetting(field);
        if (FitsSettingValue(text)) continue;
        messages.ShowMessage(std::string("The field \"") + label + "\" holds " +
                                 std::to_string(field->text().toUcs4().size()) +
                                 " characters; the settings keep at most 256. Shorten it "
                                 "and press OK again.",
                             "Value Too Long");
        field->setFocus();
        return false;
    }
    return true;
}

void ConfigurationDialog::reject() { done(1); }

bool ConfigurationDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == logo && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OpenHomePage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

int ScreenSaverConfigureDialog(QWidget* owner, VersionList& versions, UserMessages& messages) {
    ConfigurationDialog dialog(versions, messages, owner);
    return dialog.exec();
}
