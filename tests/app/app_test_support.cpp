#include "app_test_support.h"

#include <QTest>
#include <QTreeWidgetItem>

#include "app_start.h"
#include "drop_down_combo.h"
#include "file_list_view.h"

namespace vidmorph::testing {

void TFakeDialogs::ShowMessage(QWidget*, const QString& AText, const QString& ACaption) {
    Messages.push_back({AText, ACaption});
}

bool TFakeDialogs::AskYesNo(QWidget*, const QString& AText, const QString&) {
    Questions << AText;
    return Answer;
}

QString TFakeDialogs::BrowseForFolder(QWidget*, const QString& AHeadline, const QString&) {
    ++FolderCount;
    LastHeadline = AHeadline;
    return FolderToPick;
}

QStringList TFakeDialogs::OpenFiles(QWidget*, const QString& AFilter) {
    ++OpenCount;
    LastFilter = AFilter;
    if (WhileOpenDialog) WhileOpenDialog();
    return FilesToOpen;
}

void TFakeDialogs::ShowModal(QDialog& ADialog) { Shown.push_back(&ADialog); }

TSettingsSandbox::TSettingsSandbox() {
    const QString path = QString::fromStdString(folder_.Path().string());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    QSettings settings("Zentrovo", "Vidmorph");
    if (!settings.fileName().startsWith(path))
        qFatal("settings outside the sandbox: %s", qPrintable(settings.fileName()));
}

void TSettingsSandbox::Store(const QVariantMap& AValues) const {
    QSettings settings("Zentrovo", "Vidmorph");
    settings.clear();
    for (auto value = AValues.begin(); value != AValues.end(); ++value) settings.setValue(value.key(), value.value());
    settings.sync();
}

QVariantMap TSettingsSandbox::Stored() const {
    QSettings settings("Zentrovo", "Vidmorph");
    QVariantMap values;
    for (const QString& key : settings.allKeys()) values[key] = settings.value(key);
    return values;
}

TApp::~TApp() { Form1.reset(); }

TForm1& TApp::Start(bool AShow) {
    const TAppServices services{Dialogs, Desktop, [this](QWidget&) -> std::unique_ptr<IPreviewPlayer> {
                                    return std::make_unique<TFakePlayer>(PlayerLog);
                                }};
    Form1 = CreateForms(services);
    if (!Form1) qFatal("the windows were not created");
    if (AShow) {
        Form1->show();
        if (!QTest::qWaitForWindowExposed(Form1.get())) qFatal("the main window did not show");
    }
    return *Form1;
}

bool TApp::Close() {
    const bool closed = Form1->close();
    Form1.reset();
    return closed;
}

void ChooseFormat(TForm1& AForm, int AIndex) {
    AForm.ComboOutputFormat->setCurrentIndex(AIndex);
    emit AForm.ComboOutputFormat->activated(AIndex);
}

void ChooseFormat(TForm1& AForm, const QString& AEntry) {
    const int index = AForm.ComboOutputFormat->findText(AEntry);
    if (index < 0) qFatal("no format entry %s", qPrintable(AEntry));
    ChooseFormat(AForm, index);
}

QStringList Entries(const QComboBox& ACombo) {
    QStringList entries;
    for (int i = 0; i < ACombo.count(); ++i) entries << ACombo.itemText(i);
    return entries;
}

QStringList RowTexts(const TForm1& AForm, int ARow) {
    QStringList texts;
    const QTreeWidgetItem* row = AForm.Row(ARow);
    for (int column = 0; column < fcCount; ++column) texts << row->text(column);
    return texts;
}

void AddPlainRow(TForm1& AForm, const QString& ACaption) { AForm.ListView1->AddRow(ACaption, {}); }

void SelectRow(TForm1& AForm, int ARow) { AForm.ListView1->setCurrentItem(AForm.Row(ARow)); }

}  // namespace vidmorph::testing
