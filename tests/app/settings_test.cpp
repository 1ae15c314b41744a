// The settings: read into the windows before the main window first shows
// (then the saved format is selected), written back after a failed read and
// when the main window closes; the Additional Options dialog, its aspect
// ratio mirror, and the font switch for newer systems.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "about_form.h"
#include "additional_options.h"
#include "app_test_support.h"
#include "vista_font.h"

using namespace vidmorph;
using namespace vidmorph::testing;

namespace {

QVariantMap Five(const QVariant& AFolder, const QVariant& AFormat, const QVariant& AOverwrite,
                 const QVariant& ADropDown, const QVariant& ALetterBox) {
    return {{"Output Folder", AFolder},
            {"ComboOutputFormat", AFormat},
            {"Overwrite", AOverwrite},
            {"DropDownItems", ADropDown},
            {"LetterBox", ALetterBox}};
}

// Stored values compared as the texts the store keeps.
QMap<QString, QString> Texts(const QVariantMap& AValues) {
    QMap<QString, QString> texts;
    for (auto value = AValues.begin(); value != AValues.end(); ++value) texts[value.key()] = value.value().toString();
    return texts;
}

}  // namespace

class TSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void readSettings_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<int>("dropDown");
        QTest::addColumn<int>("letterBox");
        QTest::addColumn<QString>("extension");  // after the first showing
        QTest::addColumn<QVariantMap>("storedAfter");

        QTest::newRow("first start") << QVariantMap() << "" << 0 << false << 27 << 0 << "MP4" << Five("", 0, 0, 27, 0);
        QTest::newRow("only the output folder") << QVariantMap{{"Output Folder", "/videos/out"}} << "/videos/out" << 0
                                                << false << 27 << 0 << "MP4" << Five("/videos/out", 0, 0, 27, 0);
        QTest::newRow("all five") << Five("/videos/out", 10, 1, 30, 1) << "/videos/out" << 10 << true << 30 << 1
                                  << "MP3" << Five("/videos/out", 10, 1, 30, 1);
        QTest::newRow("unreadable drop-down count") << Five("/videos/out", 11, 1, "many", 1) << "/videos/out" << 11
                                                    << true << 27 << 0 << "WAV" << Five("/videos/out", 11, 1, 27, 0);
        QTest::newRow("values beyond the lists") << Five("/videos/out", 99, 0, 100, 5) << "/videos/out" << -1 << false
                                                 << 47 << -1 << "" << Five("/videos/out", 99, 0, 100, 5);
    }
    void readSettings() {
        QFETCH(QVariantMap, stored);
        QFETCH(QString, folder);
        QFETCH(int, format);
        QFETCH(bool, overwrite);
        QFETCH(int, dropDown);
        QFETCH(int, letterBox);
        QFETCH(QString, extension);
        QFETCH(QVariantMap, storedAfter);
        TApp app;
        app.Settings.Store(stored);
        TForm1& form = app.Start(false);

        // Loaded before the window shows.
        QCOMPARE(form.EditOutputFolder->text(), folder);
        QCOMPARE(form.ComboOutputFormat->currentIndex(), format);
        QCOMPARE(form.Form4->CheckBoxOverWrite->isChecked(), overwrite);
        QCOMPARE(form.Form4->SpinEdit1->value(), dropDown);
        QCOMPARE(form.Form4->ComboLetterBox->currentIndex(), letterBox);
        QCOMPARE(Texts(app.Settings.Stored()), Texts(storedAfter));

        form.show();  // the saved format's lists are loaded on show
        QCOMPARE(QString::fromStdString(form.Profile.OutputExtension), extension);
    }

    void settingsAfterChange() {
        TApp app;
        {
            TForm1& form = app.Start();
            app.Dialogs.FolderToPick = "/videos/converted";
            form.ButtonBrowseForFolder->click();
            ChooseFormat(form, "WAV - Waveform Audio (*.wav)");
            form.Form4->CheckBoxOverWrite->setChecked(true);
            form.Form4->SpinEdit1->setValue(33);
            form.Form4->ComboLetterBox->setCurrentIndex(1);
            form.Form4->ComboAspectRatio4->setCurrentIndex(2);
            QVERIFY(app.Close());
        }
        QCOMPARE(Texts(app.Settings.Stored()), Texts(Five("/videos/converted", 11, 1, 33, 1)));

        TForm1& form = app.Start();
        QCOMPARE(form.EditOutputFolder->text(), QString("/videos/converted"));
        QCOMPARE(form.ComboOutputFormat->currentText(), QString("WAV - Waveform Audio (*.wav)"));
        QCOMPARE(form.Profile.OutputExtension, std::string("WAV"));
        QVERIFY(form.Form4->CheckBoxOverWrite->isChecked());
        QCOMPARE(form.Form4->SpinEdit1->value(), 33);
        QCOMPARE(form.Form4->ComboLetterBox->currentText(), QString("LetterBox"));
        // The aspect ratio is not kept: every run starts with "Original".
        QCOMPARE(form.Form4->ComboAspectRatio4->currentText(), QString("Original"));
        QCOMPARE(form.ComboAspectRatio->currentText(), QString("Original"));
    }

    void additionalOptionsDialog() {
        TApp app;
        TForm1& form = app.Start();
        TForm4& options = *form.Form4;
        QCOMPARE(options.windowTitle(), QString("Additional Options"));
        QCOMPARE(options.parentWidget(), &form);
        QVERIFY(options.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(Entries(*options.ComboLetterBox), QStringList({"None", "LetterBox"}));
        QCOMPARE(Entries(*options.ComboAspectRatio4), QStringList({"Original", "4:3 (Standard", "16:9 (Wide Screen)"}));
        QCOMPARE(options.CheckBoxOverWrite->text(), QString("Overwrite Existing File With The Same Name"));
        QCOMPARE(options.SpinEdit1->minimum(), 26);
        QCOMPARE(options.SpinEdit1->maximum(), 47);
        QCOMPARE(options.Button1->text(), QString("Done"));

        form.SetAdditionalOptions1->trigger();
        QCOMPARE(app.Dialogs.Shown, std::vector<QDialog*>{&options});
        options.show();
        options.Button1->click();
        QVERIFY(!options.isVisible());
    }

    // The dialog's aspect list sets the main window's hidden list; a profile
    // that selects "Original" resets only the hidden one.
    void aspectMirror() {
        TApp app;
        TForm1& form = app.Start();
        TForm4& options = *form.Form4;
        for (int index : {1, 2, 0, 2}) {
            options.ComboAspectRatio4->setCurrentIndex(index);
            QCOMPARE(form.ComboAspectRatio->currentIndex(), index);
        }
        ChooseFormat(form, "PSP Video (*.mp4)");
        QCOMPARE(form.ComboAspectRatio->currentText(), QString("Original"));
        QCOMPARE(options.ComboAspectRatio4->currentText(), QString("16:9 (Wide Screen)"));
    }

    void vistaFont_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("familyAfter");
        QTest::addColumn<int>("sizeAfter");
        QTest::newRow("Segoe UI installed") << "Tahoma" << 8 << true << "Segoe UI" << 9;
        QTest::newRow("Segoe UI missing") << "Tahoma" << 8 << false << "Tahoma" << 8;
        QTest::newRow("already Segoe UI") << "segoe ui" << 9 << true << "segoe ui" << 9;
    }
    void vistaFont() {
        QFETCH(QString, family);
        QFETCH(int, size);
        QFETCH(bool, installed);
        QFETCH(QString, familyAfter);
        QFETCH(int, sizeAfter);
        QWidget window;
        window.setFont(QFont(family, size));
        QStringList asked;
        UseVistaFont(window, [&](const QString& AFamily) {
            asked << AFamily;
            return installed;
        });
        QCOMPARE(window.font().family(), familyAfter);
        QCOMPARE(window.font().pointSize(), sizeAfter);
        QVERIFY(asked.isEmpty() || asked == QStringList{"Segoe UI"});
    }

    // The three windows follow the rule with the fonts this system has.
    void windowsFonts() {
        TApp app;
        TForm1& form = app.Start();
        const bool segoe = SystemHasFont("Segoe UI");
        for (QWidget* window : std::initializer_list<QWidget*>{&form, form.Form4, form.FormAbout}) {
            QCOMPARE(window->font().family(), segoe ? QString("Segoe UI") : QString("Tahoma"));
            QCOMPARE(window->font().pointSize(), segoe ? 9 : 8);
        }
    }
};

QTEST_MAIN(TSettingsTest)
#include "settings_test.moc"
