// TForm4's settings: five values in the per-user store (QSettings of
// "Zentrovo" / "Vidmorph"). A missing string reads as empty; a missing or
// unreadable integer is a failed read.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <optional>

#include "additional_options.h"
#include "main_window.h"

namespace vidmorph {

namespace {

std::optional<int> ReadInteger(const QSettings& ASettings, const QString& AName) {
    const QVariant value = ASettings.value(AName);
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

}  // namespace

void TForm4::ReadSettings() {
    if (!ReadValues()) WriteSettings();
}

bool TForm4::ReadValues() {
    const QSettings settings(SettingsOrganisation, SettingsApplication);
    form1_.EditOutputFolder->setText(settings.value("Output Folder").toString());

    const std::optional<int> format = ReadInteger(settings, "ComboOutputFormat");
    if (!format) return false;
    if (*format >= 0) form1_.Profile.ComboOutputFormat.SetItemIndex(*format);

    const std::optional<int> overwrite = ReadInteger(settings, "Overwrite");
    if (!overwrite) return false;
    CheckBoxOverWrite->setChecked(*overwrite != 0);

    const std::optional<int> dropDownItems = ReadInteger(settings, "DropDownItems");
    if (!dropDownItems) return false;
    if (*dropDownItems >= 0) SpinEdit1->setValue(*dropDownItems);

    const std::optional<int> letterBox = ReadInteger(settings, "LetterBox");
    if (!letterBox) return false;
    if (*letterBox >= 0) ComboLetterBox->setCurrentIndex(*letterBox < ComboLetterBox->count() ? *letterBox : -1);
    return true;
}

bool TForm4::WriteSettings() {
    QSettings settings(SettingsOrganisation, SettingsApplication);
    settings.setValue("Output Folder", form1_.EditOutputFolder->text());
    settings.setValue("ComboOutputFormat", form1_.Profile.ComboOutputFormat.ItemIndex());
    settings.setValue("Overwrite", CheckBoxOverWrite->isChecked() ? 1 : 0);
    settings.setValue("DropDownItems", SpinEdit1->value());
    settings.setValue("LetterBox", ComboLetterBox->currentIndex());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace vidmorph
