// TForm1: creation, first showing, closing, the window's commands, the
// conversion queue's commands and the Help menu.
#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "about_form.h"
#include "additional_options.h"
#include "desktop.h"
#include "dialogs.h"
#include "drop_down_combo.h"
#include "file_list_view.h"
#include "help_links.h"
#include "job_options.h"
#include "open_dialog_filter.h"
#include "output_format.h"
#include "preview_player.h"
#include "vista_font.h"

namespace vidmorph {

namespace {
const QString kInformation = QStringLiteral("Information");
constexpr int kClientWidth = 762;
constexpr int kClientHeight = 516;
}  // namespace

TForm1::~TForm1() { DetachComponentHandlers(); }

void TForm1::AttachAbout(TFormAbout* AAbout) { FormAbout = AAbout; }

void TForm1::AttachOptions(TForm4* AOptions) { Form4 = AOptions; }

bool TForm1::FormCreate() {
    if (IsVistaOrLater()) UseVistaFont(*this);
    StatusBar1DrawPanel();
    openDialogFilter_ = OpenDialogFilter();

    if (!vexcoder.LoadCodecLibraries(QCoreApplication::applicationDirPath().toStdString(), true)) {
        services_.Dialogs.ShowMessage(nullptr, "Some files are missing. Please re-install this software", kInformation);
        return false;
    }
    vexcoder.OnLog = [this](int AIndex, TLogLevel ALogLevel, const std::string& AMsg) {
        vexcoderLog(AIndex, ALogLevel, AMsg);
    };

    setWindowTitle("Vidmorph");
    for (QWidget* control : findChildren<QWidget*>())
        if (!control->toolTip().isEmpty()) control->setToolTipDuration(30000);
    HelpFile = HelpFilePath();

    // A single border: the client area keeps its designed size, centred on
    // the desktop.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    TrackBar1->setValue(5);
    TrackBar1Change();

    FillComboOutputFormat(Profile);
    ComboOutputFormat->setMaxVisibleItems(25);

    // "reg.bat" in the working directory runs hidden; its outcome is ignored.
    const QString workingDirectory = QDir::currentPath();
    if (QFileInfo(QDir(workingDirectory).filePath("reg.bat")).isFile())
        services_.Desktop.StartDetached("/bin/sh", {"reg.bat"}, workingDirectory);

    TimerConvertAgain->stop();
    TimerConvertAgain->setInterval(50);
    return true;
}

void TForm1::showEvent(QShowEvent* AEvent) {
    QMainWindow::showEvent(AEvent);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TForm1::FormShow() { ComboOutputFormatChange(); }

bool TForm1::FormCloseQuery() {
    if (JobRunning) return false;
    DetachComponentHandlers();
    vexcoder.StopTasks();
    return true;
}

void TForm1::FormClose() {
    player_->Stop();
    if (Form4) Form4->WriteSettings();
}

void TForm1::closeEvent(QCloseEvent* AEvent) {
    if (!FormCloseQuery()) {
        AEvent->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    AEvent->accept();
}

void TForm1::DetachComponentHandlers() {
    vexcoder.OnBeforeHook = nullptr;
    vexcoder.OnCustomHook = nullptr;
    vexcoder.OnLog = nullptr;
    vexcoder.OnProgress = nullptr;
    vexcoder.OnTerminate = nullptr;
}

void TForm1::vexcoderLog(int, TLogLevel, const std::string&) {}

bool TForm1::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == StatusPanel2 && AEvent->type() == QEvent::Resize) StatusBar1DrawPanel();
    return QMainWindow::eventFilter(AWatched, AEvent);
}

void TForm1::StatusBar1DrawPanel() { ProgressBar1->setGeometry(StatusPanel2->rect()); }

int TForm1::DropDownItems() const { return Form4 ? DropDownItemsOf(Form4->SpinEdit1->cleanText().toStdString()) : 27; }

void TForm1::DisableControls() {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ButtonAddFile, ButtonClear, ButtonRemove, ButtonConvert, ComboOutputFormat, ComboVideoSize,
             ComboVideoBitrate, ComboVideoFramerate, ComboAudioBitrate, ComboAudioChannels, ComboVideoCodec,
             ComboSamplingRate, ComboAudioCodec, TrackBar1})
        control->setEnabled(false);
    popupEnabled_ = false;
    SetMainMenuGrayed(true);
}

void TForm1::EnableControls() {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ButtonAddFile, ButtonClear, ButtonRemove, ButtonConvert, ComboOutputFormat, ComboVideoSize,
             ComboVideoBitrate, ComboVideoFramerate, ComboAudioBitrate, ComboAudioChannels, ComboVideoCodec,
             ComboSamplingRate, ComboAudioCodec, TrackBar1})
        control->setEnabled(true);
    popupEnabled_ = true;
    SetMainMenuGrayed(false);
}

void TForm1::SetMainMenuGrayed(bool AGrayed) {
    for (QMenu* menu : {File1, Options1, Help1}) menu->menuAction()->setEnabled(!AGrayed);
}

// Conversion queue. Start checks the list and the output folder; handing
// the checked files to the component one by one is the job of the timer
// and job submission, which are not wired yet, so a valid start stops
// after the checks.
void TForm1::ButtonConvertClick() {
    if (AddingFiles) return;
    player_->Stop();
    PreviewPaused = false;
    Aborted = false;
    SetColumnOfAllRows(fcProgress, "");
    SetColumnOfAllRows(fcFrames, "");
    if (RowCount() == 0) {
        services_.Dialogs.ShowMessage(this, "Please Add Files To Convert!", kInformation);
        return;
    }
    if (EditOutputFolder->text().isEmpty()) {
        services_.Dialogs.ShowMessage(this, "Please select an output folder!", kInformation);
        ButtonBrowseForFolderClick();
        return;
    }
    if (!QFileInfo(EditOutputFolder->text().trimmed()).isDir()) {
        services_.Dialogs.ShowMessage(this,
                                      "The output folder \"" + EditOutputFolder->text() +
                                          "\"\n\rdoes not exist or has been deleted!\n\r"
                                          "Please choose a new output folder.",
                                      kInformation);
        ButtonBrowseForFolderClick();
        return;
    }
}

void TForm1::ButtonStopConvertClick() {
    if (JobRunning) {
        vexcoder.PauseTasks();
        if (!services_.Dialogs.AskYesNo(this, "Stop all conversions?", kInformation)) {
            vexcoder.ResumeTasks();
            return;
        }
        Aborted = true;
    }
    QueueDone = true;
    TimerConvertAgain->stop();
    vexcoder.StopTasks();
    ProgressBar1->setValue(0);
    EnableControls();
    JobRunning = false;
}

// Submits the next checked file once job submission exists; until then the
// timer is never started.
void TForm1::TimerConvertAgainTimer() {}

void TForm1::ButtonBrowseForFolderClick() {
    if (JobRunning) return;
    const QString folder =
        services_.Dialogs.BrowseForFolder(this, "Please select an output folder", EditOutputFolder->text());
    if (!folder.isEmpty()) EditOutputFolder->setText(QDir::cleanPath(folder));
}

void TForm1::SetAdditionalOptions1Click() {
    if (Form4) services_.Dialogs.ShowModal(*Form4);
}

// Ends the program at once: no close query, no saving of the settings.
void TForm1::Exit1Click() {
    closing_ = true;
    QCoreApplication::exit(0);
}

void TForm1::TrackBar1Change() {
    LabelVolume->setText(QString::fromStdString(VolumeLabel(TrackBar1->value())));
    VolumeValue = vidmorph::VolumeValue(TrackBar1->value());
}

void TForm1::ComboOutputFormatChange() {
    if (vidmorph::ComboOutputFormatChange(Profile, DropDownItems()))
        SetColumnOfAllRows(fcOutput, QString::fromStdString(Profile.OutputExtension));
    ComboOutputFormat->setMaxVisibleItems(Profile.DropDownCount);
}

void TForm1::ComboOutputFormatDropDown() {
    vidmorph::ComboOutputFormatDropDown(Profile, DropDownItems());
    ComboOutputFormat->setMaxVisibleItems(Profile.DropDownCount);
}

void TForm1::OpenHelpFile1Click() { OpenHelpFile(services_.Desktop, HelpFile); }

void TForm1::VisitOurWebsite1Click() { OpenWebSite(services_.Desktop); }

void TForm1::About1Click() {
    if (FormAbout) services_.Dialogs.ShowModal(*FormAbout);
}

}  // namespace vidmorph
