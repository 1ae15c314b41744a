// TForm1's controls, menus and layout, as the window is designed.
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app_icon.h"
#include "drop_down_combo.h"
#include "file_list_view.h"
#include "main_window.h"
#include "preview_player.h"
#include "vista_font.h"

namespace vidmorph {

namespace {

// A glyph from the desktop's icon theme, or Qt's own when the theme has none.
QIcon Glyph(const QWidget& AWidget, const char* AThemeName, QStyle::StandardPixmap AFallback) {
    return QIcon::fromTheme(QString::fromLatin1(AThemeName), AWidget.style()->standardIcon(AFallback));
}

// A 65 x 65 tool button: glyph above a bold caption.
QToolButton* ToolButton(QWidget& AParent, const char* AName, const QString& ACaption, const QIcon& AGlyph) {
    auto* button = new QToolButton(&AParent);
    button->setObjectName(AName);
    button->setText(ACaption);
    button->setIcon(AGlyph);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(65, 65);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    return button;
}

QToolButton* SmallButton(QWidget& AParent, const char* AName, const QString& AHint, const QIcon& AGlyph) {
    auto* button = new QToolButton(&AParent);
    button->setObjectName(AName);
    button->setToolTip(AHint);
    button->setIcon(AGlyph);
    button->setFixedSize(28, 24);
    return button;
}

QComboBox* SettingCombo(QWidget& AParent, const char* AName) {
    auto* combo = new QComboBox(&AParent);
    combo->setObjectName(AName);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(14);
    return combo;
}

QLabel* Caption(QWidget& AParent, const QString& AText, const char* AName = nullptr) {
    auto* label = new QLabel(AText, &AParent);
    if (AName) label->setObjectName(AName);
    return label;
}

}  // namespace

TForm1::TForm1(const TAppServices& AServices, QWidget* AParent)
    : QMainWindow(AParent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      services_(AServices) {
    setObjectName("Form1");
    UseDesignFont(*this);
    setWindowIcon(AppIcon());

    CreateMenus();
    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(CreateToolPanel());
    ListView1 = new TFileListView(central);
    ListView1->setObjectName("ListView1");
    ListView1->setFixedHeight(235);
    column->addWidget(ListView1);
    column->addWidget(CreateLowerPanel(), 1);
    setCentralWidget(central);
    // Hidden: mirrors the Additional Options' aspect ratio.
    ComboAspectRatio = new QComboBox(central);
    ComboAspectRatio->setObjectName("ComboAspectRatio");
    ComboAspectRatio->hide();
    CreateStatusBar();
    CreatePopupMenu();
    CreateShortcuts();

    TimerConvertAgain = new QTimer(this);
    TimerConvertAgain->setObjectName("TimerConvertAgain");
    connect(TimerConvertAgain, &QTimer::timeout, this, &TForm1::TimerConvertAgainTimer);

    outputFormatList_.Attach(ComboOutputFormat);
    videoBitrateList_.Attach(ComboVideoBitrate);
    videoCodecList_.Attach(ComboVideoCodec);
    videoSizeList_.Attach(ComboVideoSize);
    videoFramerateList_.Attach(ComboVideoFramerate);
    audioBitrateList_.Attach(ComboAudioBitrate);
    audioCodecList_.Attach(ComboAudioCodec);
    audioChannelsList_.Attach(ComboAudioChannels);
    samplingRateList_.Attach(ComboSamplingRate);
    aspectRatioList_.Attach(ComboAspectRatio);
    FillFixedLists(Profile);

    player_ = services_.MakePreviewPlayer(*PanelPreview);
}

void TForm1::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto entry = [this](QMenu* AMenu, const char* AName, const QString& ACaption) {
        QAction* action = AMenu->addAction(ACaption);
        action->setObjectName(AName);
        return action;
    };
    File1 = bar->addMenu("File");
    File1->setObjectName("File1");
    AddFile1 = entry(File1, "AddFile1", "Add File");
    GoConvert1 = entry(File1, "GoConvert1", "Go Convert");
    File1->addSeparator();
    Exit1 = entry(File1, "Exit1", "Exit");
    Options1 = bar->addMenu("Options");
    Options1->setObjectName("Options1");
    SetAdditionalOptions1 = entry(Options1, "SetAdditionalOptions1", "Set Additional Options");
    Help1 = bar->addMenu("Help");
    Help1->setObjectName("Help1");
    OpenHelpFile1 = entry(Help1, "OpenHelpFile1", "Open HelpFile");
    Help1->addSeparator();
    VisitOurWebsite1 = entry(Help1, "VisitOurWebsite1", "Visit Our Website");
    Help1->addSeparator();
    About1 = entry(Help1, "About1", "About");

    // Shortcuts reach a command only while its button is usable.
    AddFile1->setShortcut(QKeySequence::Open);
    GoConvert1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(AddFile1, &QAction::triggered, this, [this] {
        if (ButtonAddFile->isEnabled()) ButtonAddFileClick();
    });
    connect(GoConvert1, &QAction::triggered, this, [this] {
        if (ButtonConvert->isEnabled()) ButtonConvertClick();
    });
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(SetAdditionalOptions1, &QAction::triggered, this, &TForm1::SetAdditionalOptions1Click);
    connect(OpenHelpFile1, &QAction::triggered, this, &TForm1::OpenHelpFile1Click);
    connect(VisitOurWebsite1, &QAction::triggered, this, &TForm1::VisitOurWebsite1Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
}

QWidget* TForm1::CreateToolPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName("PanelTools");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 5, 6, 5);
    row->setSpacing(3);

    ButtonAddFile =
        ToolButton(*panel, "ButtonAddFile", "Add File", Glyph(*this, "list-add", QStyle::SP_FileDialogNewFolder));
    ButtonRemove =
        ToolButton(*panel, "ButtonRemove", "Remove", Glyph(*this, "list-remove", QStyle::SP_DialogCloseButton));
    ButtonClear = ToolButton(*panel, "ButtonClear", "Clear", Glyph(*this, "edit-clear", QStyle::SP_TrashIcon));
    ButtonStopConvert =
        ToolButton(*panel, "ButtonStopConvert", "Stop", Glyph(*this, "process-stop", QStyle::SP_BrowserStop));
    ButtonConvert = ToolButton(*panel, "ButtonConvert", "Convert", Glyph(*this, "go-next", QStyle::SP_ArrowForward));
    ButtonAddFile->setToolTip("Add files to the list (Ctrl+O)");
    ButtonRemove->setToolTip("Remove the selected file (Del)");
    ButtonConvert->setToolTip("Convert the checked files (Ctrl+Enter)");
    for (QToolButton* button : {ButtonAddFile, ButtonRemove, ButtonClear, ButtonStopConvert, ButtonConvert})
        row->addWidget(button);
    connect(ButtonAddFile, &QToolButton::clicked, this, &TForm1::ButtonAddFileClick);
    connect(ButtonRemove, &QToolButton::clicked, this, &TForm1::ButtonRemoveClick);
    connect(ButtonClear, &QToolButton::clicked, this, &TForm1::ButtonClearClick);
    connect(ButtonStopConvert, &QToolButton::clicked, this, &TForm1::ButtonStopConvertClick);
    connect(ButtonConvert, &QToolButton::clicked, this, &TForm1::ButtonConvertClick);
    row->addSpacing(10);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(8);
    ComboOutputFormat = new TDropDownComboBox(panel);
    ComboOutputFormat->setObjectName("ComboOutputFormat");
    ComboOutputFormat->setToolTip("Choose Output Format");
    ComboOutputFormat->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboOutputFormat->setMinimumContentsLength(20);
    connect(ComboOutputFormat, &QComboBox::activated, this, &TForm1::ComboOutputFormatChange);
    connect(ComboOutputFormat, &TDropDownComboBox::DropDown, this, &TForm1::ComboOutputFormatDropDown);
    EditOutputFolder = new QLineEdit(panel);
    EditOutputFolder->setObjectName("EditOutputFolder");
    EditOutputFolder->setToolTip("Output Folder");
    EditOutputFolder->setReadOnly(true);
    ButtonBrowseForFolder = SmallButton(*panel, "ButtonBrowseForFolder", "Choose Output Folder",
                                        Glyph(*this, "folder-open", QStyle::SP_DirOpenIcon));
    connect(ButtonBrowseForFolder, &QToolButton::clicked, this, &TForm1::ButtonBrowseForFolderClick);
    grid->addWidget(Caption(*panel, "Output Format :", "LabelOutputFormat"), 0, 0);
    grid->addWidget(ComboOutputFormat, 0, 1, 1, 2);
    grid->addWidget(Caption(*panel, "Output Folder :", "LabelOutputFolder"), 1, 0);
    grid->addWidget(EditOutputFolder, 1, 1);
    grid->addWidget(ButtonBrowseForFolder, 1, 2);
    grid->setColumnStretch(1, 1);
    row->addLayout(grid, 1);
    return panel;
}

QWidget* TForm1::CreateLowerPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName("PanelSettings");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(8);
    row->addWidget(CreatePreviewPanel());
    row->addWidget(CreateSettingsGroup(" Video Settings ",
                                       {{"Video Quality :", "ComboVideoBitrate", &ComboVideoBitrate},
                                        {"Video Codec :", "ComboVideoCodec", &ComboVideoCodec},
                                        {"Video Size :", "ComboVideoSize", &ComboVideoSize},
                                        {"Framerate :", "ComboVideoFramerate", &ComboVideoFramerate}}),
                   1);
    row->addWidget(CreateSettingsGroup(" Audio Settings ",
                                       {{"Audio  Quality : ", "ComboAudioBitrate", &ComboAudioBitrate},
                                        {"Audio Codec :", "ComboAudioCodec", &ComboAudioCodec},
                                        {"Audio Channels :", "ComboAudioChannels", &ComboAudioChannels},
                                        {"Sampling Rate :", "ComboSamplingRate", &ComboSamplingRate}}),
                   1);
    row->addWidget(CreateVolumePanel());
    return panel;
}

QWidget* TForm1::CreatePreviewPanel() {
    auto* box = new QWidget(this);
    box->setObjectName("PanelPlayer");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(4);
    PanelPreview = new QFrame(box);
    PanelPreview->setObjectName("PanelPreview");
    PanelPreview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    PanelPreview->setFixedSize(176, 132);
    PanelPreview->setAutoFillBackground(true);
    QPalette black = PanelPreview->palette();
    black.setColor(QPalette::Window, Qt::black);
    PanelPreview->setPalette(black);
    column->addWidget(PanelPreview);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    ButtonPlay = SmallButton(*box, "ButtonPlay", "Play", Glyph(*this, "media-playback-start", QStyle::SP_MediaPlay));
    ButtonPause =
        SmallButton(*box, "ButtonPause", "Pause", Glyph(*this, "media-playback-pause", QStyle::SP_MediaPause));
    ButtonStop = SmallButton(*box, "ButtonStop", "Stop", Glyph(*this, "media-playback-stop", QStyle::SP_MediaStop));
    buttons->addStretch();
    for (QToolButton* button : {ButtonPlay, ButtonPause, ButtonStop}) buttons->addWidget(button);
    buttons->addStretch();
    column->addLayout(buttons);
    column->addStretch();
    connect(ButtonPlay, &QToolButton::clicked, this, &TForm1::ButtonPlayClick);
    connect(ButtonPause, &QToolButton::clicked, this, &TForm1::ButtonPauseClick);
    connect(ButtonStop, &QToolButton::clicked, this, &TForm1::ButtonStopClick);
    return box;
}

QWidget* TForm1::CreateSettingsGroup(const QString& ATitle, std::initializer_list<TSettingRow> ARows) {
    auto* group = new QGroupBox(ATitle, this);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(5);
    int line = 0;
    for (const TSettingRow& setting : ARows) {
        *setting.Combo = SettingCombo(*group, setting.Name);
        grid->addWidget(Caption(*group, setting.Caption), line, 0);
        grid->addWidget(*setting.Combo, line, 1);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* TForm1::CreateVolumePanel() {
    auto* box = new QWidget(this);
    box->setObjectName("PanelVolume");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(2);
    TrackBar1 = new QSlider(Qt::Vertical, box);
    TrackBar1->setObjectName("TrackBar1");
    // Position 0 at the top, 10 at the bottom; Up moves the knob up.
    TrackBar1->setRange(0, 10);
    TrackBar1->setPageStep(1);
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(1);
    LabelVolume = Caption(*box, "", "LabelVolume");
    LabelVolume->setAlignment(Qt::AlignCenter);
    QLabel* caption = Caption(*box, "Volume", "LabelVolumeCaption");
    caption->setAlignment(Qt::AlignCenter);
    column->addWidget(caption);
    column->addWidget(TrackBar1, 1, Qt::AlignHCenter);
    column->addWidget(LabelVolume);
    box->setFixedWidth(52);
    connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
    return box;
}

void TForm1::CreateStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = Caption(*StatusBar1, "Ready", "StatusPanel0");
    StatusPanel0->setFixedWidth(60);
    StatusPanel0->setAlignment(Qt::AlignCenter);
    StatusPanel1 = Caption(*StatusBar1, "", "StatusPanel1");
    StatusPanel1->setFixedWidth(230);
    StatusPanel1->setAlignment(Qt::AlignCenter);
    StatusPanel2 = new QWidget(StatusBar1);
    StatusPanel2->setObjectName("StatusPanel2");
    StatusPanel2->setFixedWidth(350);
    ProgressBar1 = new QProgressBar(StatusPanel2);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    StatusPanel2->installEventFilter(this);  // keeps the bar on the panel: StatusBar1DrawPanel
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2);
}

void TForm1::CreatePopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto entry = [this](const char* AName, const QString& ACaption, void (TForm1::*AHandler)()) {
        QAction* action = PopupMenu1->addAction(ACaption);
        action->setObjectName(AName);
        connect(action, &QAction::triggered, this, AHandler);
        return action;
    };
    CheckAllItems1 = entry("CheckAllItems1", "Check All Items", &TForm1::CheckAllItems1Click);
    UncheckAllItems1 = entry("UncheckAllItems1", "Uncheck All Items", &TForm1::UncheckAllItems1Click);
    PopupMenu1->addSeparator();
    RemoveSelectedItems1 = entry("RemoveSelectedItems1", "Remove Selected Items", &TForm1::RemoveSelectedItems1Click);
    RemoveAllItems1 = entry("RemoveAllItems1", "Remove All Items", &TForm1::RemoveAllItems1Click);
    PopupMenu1->addSeparator();
    PlaySelectedFile1 = entry("PlaySelectedFile1", "Play Selected File", &TForm1::PlaySelectedFile1Click);

    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &TForm1::ListView1ContextPopup);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TForm1::ListView1SelectItem);
    // Dropped files are added once the drop has finished.
    connect(ListView1, &TFileListView::FilesDropped, this, &TForm1::AddFiles, Qt::QueuedConnection);
}

void TForm1::CreateShortcuts() {
    auto* remove = new QShortcut(QKeySequence::Delete, this);
    remove->setObjectName("ShortcutRemove");
    connect(remove, &QShortcut::activated, this, [this] {
        if (ButtonRemove->isEnabled()) ButtonRemoveClick();
    });
}

}  // namespace vidmorph
