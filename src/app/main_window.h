// TForm1: the main window. The file list with its media columns, the output
// format list and the eight profile lists, the output folder, the volume
// slider, the preview player, the Convert and Stop commands, the menus and
// the status bar with its progress bar. Lives on the GUI thread.
//
// The controls are the window's children (Qt owns them); the members below
// only point at them and carry the names the windows are described with.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <initializer_list>
#include <atomic>
#include <memory>
#include <string>

#include "app_services.h"
#include "combo_setting_list.h"
#include "gui_scheduler.h"
#include "profile_lists.h"
#include "vexcoder.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidgetItem;

namespace vidmorph {

class TDropDownComboBox;
class TFileListView;
class TForm4;
class TFormAbout;

class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    // Builds the controls, as the window is designed; FormCreate does the rest.
    explicit TForm1(const TAppServices& AServices, QWidget* AParent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The creation steps: font, status bar, codec libraries, caption, help
    // file, volume, format list, "reg.bat", timer. False when the codec
    // libraries are unusable: the message has been shown and the program is
    // to end without showing the window.
    bool FormCreate();
    // The About window and the Additional Options dialog, once created
    // (they are the window's children).
    void AttachAbout(TFormAbout* AAbout);
    void AttachOptions(TForm4* AOptions);

    // Adds files named outside the open dialog (command line, drops):
    // folders stand for the supported files inside them; then as Add File
    // adds its chosen files. Nothing happens while a job runs or files are
    // being added.
    void AddFiles(const QStringList& APaths);

    // The "Drop Down Items in Output Format List" value (27 before the
    // Additional Options dialog exists).
    int DropDownItems() const;

    void DisableControls();
    void EnableControls();
    void SetMainMenuGrayed(bool AGrayed);

    // Rows of the file list.
    int RowCount() const;
    QTreeWidgetItem* Row(int AIndex) const;

    // Menus and their entries.
    QMenu* File1 = nullptr;
    QMenu* Options1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* AddFile1 = nullptr;
    QAction* GoConvert1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* SetAdditionalOptions1 = nullptr;
    QAction* OpenHelpFile1 = nullptr;
    QAction* VisitOurWebsite1 = nullptr;
    QAction* About1 = nullptr;
    // Tool panel.
    QToolButton* ButtonAddFile = nullptr;
    QToolButton* ButtonRemove = nullptr;
    QToolButton* ButtonClear = nullptr;
    QToolButton* ButtonStopConvert = nullptr;
    QToolButton* ButtonConvert = nullptr;
    TDropDownComboBox* ComboOutputFormat = nullptr;
    QLineEdit* EditOutputFolder = nullptr;
    QToolButton* ButtonBrowseForFolder = nullptr;
    // File list and its context menu.
    TFileListView* ListView1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* CheckAllItems1 = nullptr;
    QAction* UncheckAllItems1 = nullptr;
    QAction* RemoveSelectedItems1 = nullptr;
    QAction* RemoveAllItems1 = nullptr;
    QAction* PlaySelectedFile1 = nullptr;
    // Lower panel: preview, setting lists, volume.
    QFrame* PanelPreview = nullptr;  // the player's picture
    QToolButton* ButtonPlay = nullptr;
    QToolButton* ButtonPause = nullptr;
    QToolButton* ButtonStop = nullptr;
    QComboBox* ComboVideoBitrate = nullptr;
    QComboBox* ComboVideoCodec = nullptr;
    QComboBox* ComboVideoSize = nullptr;
    QComboBox* ComboVideoFramerate = nullptr;
    QComboBox* ComboAudioBitrate = nullptr;
    QComboBox* ComboAudioCodec = nullptr;
    QComboBox* ComboAudioChannels = nullptr;
    QComboBox* ComboSamplingRate = nullptr;
    QComboBox* ComboAspectRatio = nullptr;  // hidden
    QSlider* TrackBar1 = nullptr;
    QLabel* LabelVolume = nullptr;
    // Status bar: panel 0 "Ready", panel 1 the file size, panel 2 the
    // progress bar.
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QWidget* StatusPanel2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* TimerConvertAgain = nullptr;

    // The other windows, children of this one.
    QPointer<TFormAbout> FormAbout;
    QPointer<TForm4> Form4;

private:
    // The combo boxes as the profiles' lists (declared before Profile).
    TComboSettingList outputFormatList_, videoBitrateList_, videoCodecList_, videoSizeList_, videoFramerateList_,
        audioBitrateList_, audioCodecList_, audioChannelsList_, samplingRateList_, aspectRatioList_;
    TQtScheduler scheduler_;  // declared before the component that uses it

public:
    // The profiles' view of the lists, with OutputExtension and
    // PreviousFormatIndex.
    TProfileLists Profile{.ComboOutputFormat = outputFormatList_,
                          .ComboVideoBitrate = videoBitrateList_,
                          .ComboVideoCodec = videoCodecList_,
                          .ComboVideoSize = videoSizeList_,
                          .ComboVideoFramerate = videoFramerateList_,
                          .ComboAudioBitrate = audioBitrateList_,
                          .ComboAudioCodec = audioCodecList_,
                          .ComboAudioChannels = audioChannelsList_,
                          .ComboSamplingRate = samplingRateList_,
                          .ComboAspectRatio = aspectRatioList_};
    TVexcoder vexcoder{&scheduler_};

    // Queue state; the flags are also read by the component's handlers on
    // worker threads.
    std::atomic<bool> JobRunning{false};
    std::atomic<bool> Aborted{false};
    std::atomic<bool> QueueDone{false};
    std::atomic<int> CurrentItem{-1};
    bool AddingFiles = false;
    bool IsLastItem = false;
    int IdleTicks = 0;
    int VolumeValue = 255;
    // Preview state.
    bool PreviewPaused = false;
    int PreviewIndex = 0;
    QString SelectedFileName;
    // The help document: the executable's folder and its name.
    QString HelpFile;

public slots:
    void FormShow();
    // Conversion queue.
    void ButtonConvertClick();
    void ButtonStopConvertClick();
    void TimerConvertAgainTimer();
    // Window commands.
    void ButtonBrowseForFolderClick();
    void SetAdditionalOptions1Click();
    void Exit1Click();
    void TrackBar1Change();
    void StatusBar1DrawPanel();
    // Format list.
    void ComboOutputFormatChange();
    void ComboOutputFormatDropDown();
    // File list.
    void ButtonAddFileClick();
    void ButtonRemoveClick();
    void ButtonClearClick();
    void CheckAllItems1Click();
    void UncheckAllItems1Click();
    void RemoveSelectedItems1Click();
    void RemoveAllItems1Click();
    void PlaySelectedFile1Click();
    void ListView1SelectItem();
    void ListView1ContextPopup(const QPoint& APosition);
    // Preview.
    void ButtonPlayClick();
    void ButtonPauseClick();
    void ButtonStopClick();
    // Help.
    void OpenHelpFile1Click();
    void VisitOurWebsite1Click();
    void About1Click();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    // Building the controls (main_window_ui.cpp).
    void CreateMenus();
    QWidget* CreateToolPanel();
    QWidget* CreateLowerPanel();
    QWidget* CreatePreviewPanel();
    // One labelled setting list of a group: caption, control name, where
    // the control goes.
    struct TSettingRow {
        const char* Caption;
        const char* Name;
        QComboBox** Combo;
    };
    QWidget* CreateSettingsGroup(const QString& ATitle, std::initializer_list<TSettingRow> ARows);
    QWidget* CreateVolumePanel();
    void CreateStatusBar();
    void CreateShortcuts();
    void CreatePopupMenu();

    // Closing: false (and nothing done) while a job runs; otherwise the
    // component's handlers are detached and its tasks stopped.
    bool FormCloseQuery();
    // Saves the settings; an error is ignored.
    void FormClose();

    // Component events; the log is discarded.
    void vexcoderLog(int AIndex, TLogLevel ALogLevel, const std::string& AMsg);
    void DetachComponentHandlers();

    // Adding files (main_window_files.cpp).
    void PrepareForAdding();
    void AddFilesToList();
    void AddProbedRows(const QStringList& AFileNames);
    void SetColumnOfAllRows(int AColumn, const QString& AText);
    int SelectedIndex() const;

    TAppServices services_;
    std::unique_ptr<IPreviewPlayer> player_;
    bool shown_ = false;    // FormShow has run
    bool closing_ = false;  // the window closes or the program ends
    bool popupEnabled_ = true;
    QString openDialogFilter_;
};

}  // namespace vidmorph
