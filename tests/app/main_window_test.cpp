// The main window as a user meets it: its controls, menus, list columns and
// status bar; the output format list driving the eight setting lists and
// the "Output" column; the volume slider; the preview rules; the checks
// before a batch; the controls a batch disables; shortcuts; closing.
#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <fstream>

#include "additional_options.h"
#include "app_test_support.h"
#include "drop_down_combo.h"
#include "file_list_view.h"
#include "vector_profile_lists.h"

using namespace vidmorph;
using namespace vidmorph::testing;

namespace {

// What a control shows: a button's or label's text, a group's title.
QString Shown(const QWidget& AControl) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&AControl)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&AControl)) return label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(&AControl)) return group->title();
    return {};
}

// The entries of a menu, a separator as "-".
QStringList MenuEntries(const QMenu& AMenu) {
    QStringList entries;
    for (const QAction* action : AMenu.actions()) entries << (action->isSeparator() ? "-" : action->text());
    return entries;
}

// A setting list as entries and the selected one, for comparing.
struct TListState {
    QStringList Entries;
    int Selected;
    bool operator==(const TListState&) const = default;
};

TListState StateOf(const QComboBox& ACombo) { return {testing::Entries(ACombo), ACombo.currentIndex()}; }

TListState StateOf(const TSettingList& AList) {
    QStringList entries;
    for (int i = 0; i < AList.Count(); ++i) entries << QString::fromStdString(AList.Item(i));
    return {entries, AList.ItemIndex()};
}

std::vector<QComboBox*> ProfileCombos(const TForm1& AForm) {
    return {AForm.ComboVideoBitrate,   AForm.ComboVideoCodec,   AForm.ComboVideoSize,
            AForm.ComboVideoFramerate, AForm.ComboAudioBitrate, AForm.ComboAudioCodec,
            AForm.ComboAudioChannels,  AForm.ComboSamplingRate, AForm.ComboAspectRatio};
}

std::vector<TListState> ProfileState(const TForm1& AForm) {
    std::vector<TListState> states;
    for (const QComboBox* combo : ProfileCombos(AForm)) states.push_back(StateOf(*combo));
    return states;
}

QStringList Column(const TForm1& AForm, int AColumn) {
    QStringList texts;
    for (int i = 0; i < AForm.RowCount(); ++i) texts << AForm.Row(i)->text(AColumn);
    return texts;
}

}  // namespace

class TMainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowAsDesigned() {
        TApp app;
        TForm1& form = app.Start();
        QCOMPARE(form.windowTitle(), QString("Vidmorph"));
        QCOMPARE(form.width(), 762);
        QCOMPARE(form.centralWidget()->height() + form.statusBar()->height(), 516);
        QCOMPARE(form.minimumSize(), form.maximumSize());  // not resizable
        QVERIFY(!form.windowIcon().isNull());

        const std::vector<std::pair<const char*, QString>> captions = {{"ButtonAddFile", "Add File"},
                                                                       {"ButtonRemove", "Remove"},
                                                                       {"ButtonClear", "Clear"},
                                                                       {"ButtonStopConvert", "Stop"},
                                                                       {"ButtonConvert", "Convert"},
                                                                       {"LabelOutputFormat", "Output Format :"},
                                                                       {"LabelOutputFolder", "Output Folder :"},
                                                                       {"LabelVolume", "100%"},
                                                                       {"LabelVolumeCaption", "Volume"},
                                                                       {"StatusPanel0", "Ready"},
                                                                       {"StatusPanel1", ""}};
        for (const auto& [name, caption] : captions) {
            const auto* control = form.findChild<QWidget*>(name);
            QVERIFY2(control, name);
            QCOMPARE(Shown(*control), caption);
        }
        for (QToolButton* button :
             {form.ButtonAddFile, form.ButtonRemove, form.ButtonClear, form.ButtonStopConvert, form.ButtonConvert}) {
            QCOMPARE(button->size(), QSize(65, 65));
            QVERIFY(button->font().bold());
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        }
        const std::vector<std::pair<QWidget*, QString>> hints = {{form.ButtonBrowseForFolder, "Choose Output Folder"},
                                                                 {form.EditOutputFolder, "Output Folder"},
                                                                 {form.ComboOutputFormat, "Choose Output Format"},
                                                                 {form.ButtonPlay, "Play"},
                                                                 {form.ButtonPause, "Pause"},
                                                                 {form.ButtonStop, "Stop"}};
        for (const auto& [control, hint] : hints) {
            QCOMPARE(control->toolTip(), hint);
            QCOMPARE(control->toolTipDuration(), 30000);
        }
        QVERIFY(form.EditOutputFolder->isReadOnly());

        // The two setting groups with their labelled lists, in order.
        QStringList groups;
        for (const QGroupBox* group : form.centralWidget()->findChildren<QGroupBox*>()) {
            QStringList labels;
            for (const QLabel* label : group->findChildren<QLabel*>()) labels << label->text();
            groups << group->title() + "=" + labels.join('|');
        }
        QCOMPARE(groups,
                 QStringList({" Video Settings =Video Quality :|Video Codec :|Video Size :|Framerate :",
                              " Audio Settings =Audio  Quality : |Audio Codec :|Audio Channels :|Sampling Rate :"}));
        QVERIFY(!form.ComboAspectRatio->isVisible());
        QCOMPARE(testing::Entries(*form.ComboAspectRatio), QStringList({"Original", "4:3", "16:9"}));
        QCOMPARE(testing::Entries(*form.ComboAudioChannels), QStringList({"Stereo", "Mono"}));

        // The file list's columns; the spare sub-item has none.
        const QTreeWidgetItem* header = form.ListView1->headerItem();
        const std::vector<std::tuple<QString, int, Qt::Alignment>> columns = {
            {"File Name", 245, Qt::AlignLeft},     {"Video Size", 100, Qt::AlignHCenter},
            {"Frame Rate", 100, Qt::AlignHCenter}, {"Duration", 70, Qt::AlignHCenter},
            {"Output", 70, Qt::AlignHCenter},      {"Progress", 80, Qt::AlignHCenter},
            {"Frames", 70, Qt::AlignHCenter}};
        for (int i = 0; i < int(columns.size()); ++i) {
            const auto& [title, width, alignment] = columns[std::size_t(i)];
            QCOMPARE(header->text(i), title);
            QCOMPARE(form.ListView1->columnWidth(i), width);
            QCOMPARE(Qt::Alignment(header->textAlignment(i)) & Qt::AlignHorizontal_Mask, alignment);
        }
        QCOMPARE(form.ListView1->columnCount(), int(columns.size()) + 1);
        QVERIFY(form.ListView1->isColumnHidden(fcSpare));
        QCOMPARE(form.ListView1->height(), 235);
        QCOMPARE(form.ListView1->selectionMode(), QAbstractItemView::SingleSelection);

        // Status bar: panels 60, 230 and 350 wide, the progress bar filling the last.
        QCOMPARE(form.StatusPanel0->width(), 60);
        QCOMPARE(form.StatusPanel1->width(), 230);
        QCOMPARE(form.StatusPanel2->width(), 350);
        QCOMPARE(form.ProgressBar1->parentWidget(), form.StatusPanel2);
        QCOMPARE(form.ProgressBar1->geometry(), form.StatusPanel2->rect());
        QCOMPARE(form.ProgressBar1->minimum(), 0);
        QCOMPARE(form.ProgressBar1->maximum(), 100);
        QCOMPARE(form.ProgressBar1->value(), 0);

        QVERIFY(!form.TimerConvertAgain->isActive());
        QCOMPARE(form.TimerConvertAgain->interval(), 50);
        QCOMPARE(form.TrackBar1->value(), 5);
        QCOMPARE(form.VolumeValue, 255);
    }

    void menus() {
        TApp app;
        TForm1& form = app.Start();
        QStringList titles;
        for (const QAction* action : form.menuBar()->actions()) titles << action->text();
        QCOMPARE(titles, QStringList({"File", "Options", "Help"}));
        QCOMPARE(MenuEntries(*form.File1), QStringList({"Add File", "Go Convert", "-", "Exit"}));
        QCOMPARE(MenuEntries(*form.Options1), QStringList({"Set Additional Options"}));
        QCOMPARE(MenuEntries(*form.Help1), QStringList({"Open HelpFile", "-", "Visit Our Website", "-", "About"}));
        QCOMPARE(MenuEntries(*form.PopupMenu1),
                 QStringList({"Check All Items", "Uncheck All Items", "-", "Remove Selected Items", "Remove All Items",
                              "-", "Play Selected File"}));

        form.SetAdditionalOptions1->trigger();
        QCOMPARE(app.Dialogs.Shown, std::vector<QDialog*>{form.Form4.data()});
    }

    void formatListEntries() {
        TApp app;
        TForm1& form = app.Start();
        const QStringList entries = testing::Entries(*form.ComboOutputFormat);
        QCOMPARE(entries.size(), 27);
        const QString separator = QString(14, ' ') + QString(41, '-');
        for (int i = 0; i < entries.size(); ++i)
            QCOMPARE(entries[i] == separator, i == 2 || i == 5 || i == 8 || i == 13);
        QCOMPARE(entries.first(), QString("iPod (*.mp4)"));
        QCOMPARE(entries.last(), QString("Zune WMV Windows Media Video (*.wmv)"));
        QCOMPARE(form.ComboOutputFormat->currentIndex(), 0);
        QCOMPARE(form.Profile.OutputExtension, std::string("MP4"));  // the first selection ran on show
    }

    // Choosing an entry loads exactly what the profiles load for it (the
    // same lists driven without widgets), shows its extension in every row,
    // and choosing it again after the user changed the lists does what the
    // profiles do then: refills what the profile fills, keeps the rest.
    void formatChoiceDrivesLists_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("extension");
        QTest::newRow("iPod Extra") << "iPod Extra (640 x 480) (*.mp4)"
                                    << "MP4";
        QTest::newRow("Archos AV700") << "Archos AV700 (*.avi)"
                                      << "AVI";
        QTest::newRow("M4A") << "M4A - Mpeg4 Audio File (*.m4a)"
                             << "M4A";
        QTest::newRow("PSP") << "PSP Video (*.mp4)"
                             << "MP4";
        QTest::newRow("3GP") << "3GP - Mobile Video Format (*.3gp)"
                             << "3GP";
        QTest::newRow("Zune WMV") << "Zune WMV Windows Media Video (*.wmv)"
                                  << "WMV";
    }
    void formatChoiceDrivesLists() {
        QFETCH(QString, entry);
        QFETCH(QString, extension);
        TApp app;
        TForm1& form = app.Start();
        AddPlainRow(form, "/videos/a.avi");
        AddPlainRow(form, "/videos/b.mov");
        TVectorProfileLists expected;
        const std::vector<TSettingList*> lists = {
            &expected.videoBitrate,   &expected.videoCodec,   &expected.videoSize,
            &expected.videoFramerate, &expected.audioBitrate, &expected.audioCodec,
            &expected.audioChannels,  &expected.samplingRate, &expected.aspectRatio};
        const std::vector<QComboBox*> combos = ProfileCombos(form);

        for (const QString& choice : {QString("MP3 - Mpeg Layer3 Audio (*.mp3)"), entry, entry}) {
            ChooseFormat(form, choice);
            expected.format.SetItemIndex(IndexOfText(expected.format, choice.toStdString()));
            ComboOutputFormatChange(expected.lists, 27);
            for (std::size_t i = 0; i < combos.size(); ++i)
                QVERIFY2(StateOf(*combos[i]) == StateOf(*lists[i]),
                         qPrintable(choice + ": " + combos[i]->objectName()));
            QCOMPARE(form.Profile.OutputExtension, expected.lists.OutputExtension);
            QCOMPARE(Column(form, fcOutput), QStringList(2, QString::fromStdString(form.Profile.OutputExtension)));
            // The user picks another entry in every list.
            for (std::size_t i = 0; i < combos.size(); ++i)
                if (combos[i]->count() > 1) {
                    const int next = (combos[i]->currentIndex() + 1) % combos[i]->count();
                    combos[i]->setCurrentIndex(next);
                    lists[i]->SetItemIndex(next);
                }
        }
        QCOMPARE(form.Profile.OutputExtension, extension.toStdString());
    }

    void separatorRestoresPrevious() {
        TApp app;
        TForm1& form = app.Start();
        AddPlainRow(form, "/videos/a.avi");
        ChooseFormat(form, "iPod Extra (640 x 480) (*.mp4)");
        form.ComboVideoSize->setCurrentIndex(0);  // a user's change that a refill would undo
        const std::vector<TListState> before = ProfileState(form);
        form.Row(0)->setText(fcOutput, "untouched");

        ChooseFormat(form, 2);
        QCOMPARE(form.ComboOutputFormat->currentIndex(), 1);
        QCOMPARE(form.Profile.PreviousFormatIndex, 1);
        QVERIFY(ProfileState(form) == before);
        QCOMPARE(form.Row(0)->text(fcOutput), QString("untouched"));
    }

    void dropDownCount() {
        TApp app;
        TForm1& form = app.Start();
        QCOMPARE(form.ComboOutputFormat->maxVisibleItems(), 27);  // from the Additional Options on show
        ChooseFormat(form, "PSP Video (*.mp4)");
        const int defaultSize = form.ComboVideoSize->currentIndex();
        form.ComboVideoSize->setCurrentIndex(defaultSize == 0 ? 1 : 0);

        form.Form4->SpinEdit1->setValue(30);  // reruns the selection
        QCOMPARE(form.ComboOutputFormat->maxVisibleItems(), 30);
        QCOMPARE(form.ComboVideoSize->currentIndex(), defaultSize);

        form.ComboOutputFormat->setMaxVisibleItems(5);
        form.ComboOutputFormat->showPopup();  // the count is set again before every drop-down
        QCOMPARE(form.ComboOutputFormat->maxVisibleItems(), 30);
        form.ComboOutputFormat->hidePopup();
    }

    void volumeSlider_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("value");
        const std::vector<std::pair<const char*, int>> table = {
            {"200%", 600}, {"180%", 450}, {"160%", 400}, {"140%", 350}, {"120%", 300}, {"100%", 255},
            {"80%", 200},  {"60%", 150},  {"40%", 100},  {"20%", 50},   {"0%", 1}};
        for (int position = 0; position < int(table.size()); ++position)
            QTest::addRow("position %d", position)
                << position << table[std::size_t(position)].first << table[std::size_t(position)].second;
    }
    void volumeSlider() {
        QFETCH(int, position);
        QFETCH(QString, label);
        QFETCH(int, value);
        TApp app;
        TForm1& form = app.Start();
        form.TrackBar1->setValue(position == 5 ? 4 : 5);
        form.TrackBar1->setValue(position);
        QCOMPARE(form.LabelVolume->text(), label);
        QCOMPARE(form.VolumeValue, value);
    }

    void sliderTopIsLoudest() {
        TApp app;
        TForm1& form = app.Start();
        form.TrackBar1->setFocus();
        QTest::keyClick(form.TrackBar1, Qt::Key_Up);  // the knob moves up: louder
        QCOMPARE(form.TrackBar1->value(), 4);
        QCOMPARE(form.LabelVolume->text(), QString("120%"));
        QVERIFY(form.TrackBar1->invertedAppearance());  // position 0 drawn at the top
    }

    // The preview follows PreviewPaused and PreviewIndex: steps are
    // "sel0"/"sel1" (select a row), "play", "pause", "stop", "job" (a job runs).
    void preview_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("pause then play continues")
            << QStringList{"sel0", "play", "pause", "play"} << QStringList{"file:/v/a.avi", "play", "pause", "play"};
        QTest::newRow("another row after pause starts it")
            << QStringList{"sel0", "play", "pause", "sel1", "play"}
            << QStringList{"file:/v/a.avi", "play", "pause", "stop", "file:/v/b.avi", "play"};
        QTest::newRow("stop then play starts over")
            << QStringList{"sel0", "play", "stop", "play"}
            << QStringList{"file:/v/a.avi", "play", "stop", "file:/v/a.avi", "play"};
        QTest::newRow("play without a selection") << QStringList{"play"} << QStringList{};
        QTest::newRow("ignored while a job runs")
            << QStringList{"job", "sel0", "play", "pause", "stop"} << QStringList{};
        QTest::newRow("context menu plays")
            << QStringList{"sel1", "menu"} << QStringList{"stop", "file:/v/b.avi", "play"};
    }
    void preview() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, calls);
        TApp app;
        TForm1& form = app.Start();
        AddPlainRow(form, "/v/a.avi");
        AddPlainRow(form, "/v/b.avi");
        app.PlayerLog.clear();
        for (const QString& step : steps) {
            if (step == "sel0") SelectRow(form, 0);
            if (step == "sel1") SelectRow(form, 1);
            if (step == "play") form.ButtonPlay->click();
            if (step == "pause") form.ButtonPause->click();
            if (step == "stop") form.ButtonStop->click();
            if (step == "menu") form.PlaySelectedFile1->trigger();
            if (step == "job") form.JobRunning = true;
        }
        QCOMPARE(app.PlayerLog, calls);
        form.JobRunning = false;
    }

    // Start checks the list and the output folder before anything else.
    void convertChecks_data() {
        QTest::addColumn<bool>("withRow");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("picker");
        const QString existing = QDir::tempPath();
        QTest::newRow("no files") << false << existing << "Please Add Files To Convert!" << false;
        QTest::newRow("no folder") << true << ""
                                   << "Please select an output folder!" << true;
        QTest::newRow("missing folder")
            << true << "/no/such/folder"
            << "The output folder \"/no/such/folder\"\n\rdoes not exist or has been deleted!\n\r"
               "Please choose a new output folder."
            << true;
        QTest::newRow("folder with blanks around") << true << "  " + existing + " "
                                                   << "" << false;
    }
    void convertChecks() {
        QFETCH(bool, withRow);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QFETCH(bool, picker);
        TApp app;
        TForm1& form = app.Start();
        if (withRow) {
            AddPlainRow(form, "/v/a.avi");
            form.Row(0)->setText(fcProgress, "Done");
            form.Row(0)->setText(fcFrames, "120");
        }
        form.EditOutputFolder->setText(folder);
        app.Dialogs.FolderToPick = "/picked";
        app.PlayerLog.clear();
        form.ButtonConvert->click();

        QCOMPARE(app.PlayerLog, QStringList{"stop"});
        if (withRow) QCOMPARE(RowTexts(form, 0).mid(fcProgress), QStringList({"", "", ""}));
        QCOMPARE(int(app.Dialogs.Messages.size()), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(app.Dialogs.Messages[0].Text, message);
            QCOMPARE(app.Dialogs.Messages[0].Caption, QString("Information"));
        }
        QCOMPARE(app.Dialogs.FolderCount, picker ? 1 : 0);
        if (picker) {
            QCOMPARE(app.Dialogs.LastHeadline, QString("Please select an output folder"));
            QCOMPARE(form.EditOutputFolder->text(), QString("/picked"));
        }
    }

    void batchDisablesControls() {
        TApp app;
        TForm1& form = app.Start();
        const std::vector<QWidget*> disabled = {
            form.ButtonAddFile,     form.ButtonClear,        form.ButtonRemove,      form.ButtonConvert,
            form.ComboOutputFormat, form.ComboVideoSize,     form.ComboVideoBitrate, form.ComboVideoFramerate,
            form.ComboAudioBitrate, form.ComboAudioChannels, form.ComboVideoCodec,   form.ComboSamplingRate,
            form.ComboAudioCodec,   form.TrackBar1};
        const std::vector<QWidget*> usable = {form.ButtonStopConvert, form.ButtonBrowseForFolder,
                                              form.ButtonPlay,        form.ButtonPause,
                                              form.ButtonStop,        form.ListView1};
        form.DisableControls();
        for (QWidget* control : disabled) QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        for (QWidget* control : usable) QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        for (const QAction* menu : form.menuBar()->actions()) QVERIFY(!menu->isEnabled());

        // Shortcuts do not reach disabled commands.
        AddPlainRow(form, "/v/a.avi");
        SelectRow(form, 0);
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(form.ListView1, Qt::Key_Delete);
        QCOMPARE(app.Dialogs.OpenCount, 0);
        QCOMPARE(form.RowCount(), 1);

        form.EnableControls();
        for (QWidget* control : disabled) QVERIFY(control->isEnabled());
        for (const QAction* menu : form.menuBar()->actions()) QVERIFY(menu->isEnabled());
        QTest::keyClick(form.ListView1, Qt::Key_Delete);
        QCOMPARE(form.RowCount(), 0);
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.Dialogs.OpenCount, 1);
    }

    void stopWithoutJobEndsBatchQuietly() {
        TApp app;
        TForm1& form = app.Start();
        form.DisableControls();
        form.ButtonStopConvert->click();
        QVERIFY(app.Dialogs.Questions.isEmpty());
        QVERIFY(form.QueueDone);
        QVERIFY(form.ButtonConvert->isEnabled());
    }

    void regBatLaunchedFromWorkingDirectory_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("absent") << false;
    }
    void regBatLaunchedFromWorkingDirectory() {
        QFETCH(bool, present);
        fixtures::TempDir folder;
        if (present) std::ofstream(folder.File("reg.bat")) << "exit 0\n";
        const QString previous = QDir::currentPath();
        const QString here = QString::fromStdString(folder.Path().string());
        QDir::setCurrent(here);
        TApp app;
        app.Start(false);
        QDir::setCurrent(previous);
        QCOMPARE(int(app.Desktop.Launched.size()), present ? 1 : 0);
        if (present) {
            QCOMPARE(app.Desktop.Launched[0].Program, QString("/bin/sh"));
            QCOMPARE(app.Desktop.Launched[0].Arguments, QStringList{"reg.bat"});
            QCOMPARE(QDir(app.Desktop.Launched[0].WorkingDirectory).canonicalPath(), QDir(here).canonicalPath());
        }
    }

    void closing() {
        TApp app;
        TForm1& form = app.Start();
        form.EditOutputFolder->setText("/videos/out");

        form.JobRunning = true;  // a file converts: the window stays, nothing is saved
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QVERIFY(form.vexcoder.OnLog);
        QCOMPARE(app.Settings.Stored().value("Output Folder").toString(), QString());

        form.JobRunning = false;
        QVERIFY(form.close());
        QVERIFY(!form.vexcoder.OnLog);  // no event reaches the closed window
        QCOMPARE(app.Settings.Stored().value("Output Folder").toString(), QString("/videos/out"));
    }
};

QTEST_MAIN(TMainWindowTest)
#include "main_window_test.moc"
