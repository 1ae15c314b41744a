// TForm4: the Additional Options dialog ("Video Zoom", "Aspect Ratio",
// overwriting, the format list's drop-down count) and the settings it loads
// into the main window at start and saves when the main window closes.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace vidmorph {

class TForm1;

class TForm4 final : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog as a child of the main window, attaches itself to
    // it and reads the settings into both.
    explicit TForm4(TForm1& AForm1);

    // Loads the five settings; a missing or unreadable integer saves the
    // values as they stand at once and skips the rest.
    void ReadSettings();
    // Saves the five settings; false when the store could not be written.
    bool WriteSettings();

    QComboBox* ComboLetterBox = nullptr;
    QComboBox* ComboAspectRatio4 = nullptr;
    QCheckBox* CheckBoxOverWrite = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QPushButton* Button1 = nullptr;

public slots:
    void SpinEdit1Change();
    void ComboAspectRatio4Change();
    void ComboLetterBoxChange();
    void Button1Click();

private:
    bool ReadValues();  // false at the first failed read

    TForm1& form1_;
};

// The settings store's organisation and application names.
inline constexpr const char* SettingsOrganisation = "Zentrovo";
inline constexpr const char* SettingsApplication = "Vidmorph";

}  // namespace vidmorph
