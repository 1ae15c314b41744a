// The desktop app under test (the main window's controls included): its windows as start-up creates them, with
// every modal dialog, desktop program and the preview player replaced by
// recorders, and the settings store in a temporary folder.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

#include "app_services.h"
#include "desktop.h"
#include "dialogs.h"
#include "drop_down_combo.h"
#include "file_list_view.h"
#include "main_window.h"
#include "media_fixture.h"
#include "preview_player.h"

namespace vidmorph::testing {

// Answers the dialogs as the test arranged and records what was asked.
class TFakeDialogs final : public IDialogs {
public:
    struct TMessage {
        QString Text, Caption;
    };
    std::vector<TMessage> Messages;
    QStringList Questions;
    bool Answer = false;  // to every question

    QStringList FilesToOpen;                // the open dialog's answer
    std::function<void()> WhileOpenDialog;  // runs while the open dialog "shows"
    int OpenCount = 0;
    QString LastFilter;

    QString FolderToPick;  // the folder picker's answer (empty: cancelled)
    int FolderCount = 0;
    QString LastHeadline;

    std::vector<QDialog*> Shown;  // modal windows, in order

    void ShowMessage(QWidget* AParent, const QString& AText, const QString& ACaption) override;
    bool AskYesNo(QWidget* AParent, const QString& AText, const QString& ACaption) override;
    QString BrowseForFolder(QWidget* AParent, const QString& AHeadline, const QString& AStartFolder) override;
    QStringList OpenFiles(QWidget* AParent, const QString& AFilter) override;
    void ShowModal(QDialog& ADialog) override;
};

class TFakeDesktop final : public IDesktop {
public:
    struct TLaunch {
        QString Program;
        QStringList Arguments;
        QString WorkingDirectory;
    };
    QList<QUrl> Opened;
    std::vector<TLaunch> Launched;

    void OpenUrl(const QUrl& AUrl) override { Opened << AUrl; }
    void StartDetached(const QString& AProgram, const QStringList& AArguments,
                       const QString& AWorkingDirectory) override {
        Launched.push_back({AProgram, AArguments, AWorkingDirectory});
    }
};

// Writes the player's calls into a log: "file:NAME", "play", "pause", "stop".
class TFakePlayer final : public IPreviewPlayer {
public:
    explicit TFakePlayer(QStringList& ALog) : log_(ALog) {}
    void SetFileName(const QString& AFileName) override { log_ << "file:" + AFileName; }
    void Play() override { log_ << "play"; }
    void Pause() override { log_ << "pause"; }
    void Stop() override { log_ << "stop"; }

private:
    QStringList& log_;
};

// The per-user settings store in a fresh temporary folder: QSettings of
// "Zentrovo" / "Vidmorph" reads and writes there, never in the user's own.
class TSettingsSandbox {
public:
    TSettingsSandbox();
    // Puts exactly these values into the store.
    void Store(const QVariantMap& AValues) const;
    // Every value of the store.
    QVariantMap Stored() const;

private:
    fixtures::TempDir folder_;
};

// The program's windows with the fakes above.
class TApp {
public:
    TSettingsSandbox Settings;  // first: no window reads the real store
    TFakeDialogs Dialogs;
    TFakeDesktop Desktop;
    QStringList PlayerLog;
    std::unique_ptr<TForm1> Form1;

    ~TApp();
    // Creates the windows as the program starts and, with AShow, shows the
    // main window and waits until it is on the (offscreen) screen.
    TForm1& Start(bool AShow = true);
    // Closes the main window as the user does and frees the windows; true
    // when the window agreed to close.
    bool Close();
};

// Picks a format list entry as the user does with the mouse.
void ChooseFormat(TForm1& AForm, int AIndex);
void ChooseFormat(TForm1& AForm, const QString& AEntry);
QStringList Entries(const QComboBox& ACombo);
// The row's caption and its seven sub-items.
QStringList RowTexts(const TForm1& AForm, int ARow);
// Appends a checked row without probing (the columns as given).
void AddPlainRow(TForm1& AForm, const QString& ACaption);
void SelectRow(TForm1& AForm, int ARow);

}  // namespace vidmorph::testing
