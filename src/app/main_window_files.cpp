// TForm1's file list: adding files (open dialog, command line, drops) with
// their media columns, removing and checking rows, the context menu, and
// the preview player.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>
#include <QTreeWidgetItem>

#include "dialogs.h"
#include "dropped_files.h"
#include "file_list_view.h"
#include "main_window.h"
#include "media_columns.h"
#include "preview_player.h"

namespace vidmorph {

int TForm1::RowCount() const { return ListView1->topLevelItemCount(); }

QTreeWidgetItem* TForm1::Row(int AIndex) const { return ListView1->topLevelItem(AIndex); }

int TForm1::SelectedIndex() const {
    QTreeWidgetItem* row = ListView1->SelectedRow();
    return row ? ListView1->indexOfTopLevelItem(row) : -1;
}

void TForm1::SetColumnOfAllRows(int AColumn, const QString& AText) {
    for (int i = 0; i < RowCount(); ++i) Row(i)->setText(AColumn, AText);
}

void TForm1::PrepareForAdding() {
    player_->Stop();
    PreviewPaused = false;
    vexcoder.ClearTasks();
    SetColumnOfAllRows(fcProgress, "");
}

void TForm1::ButtonAddFileClick() {
    if (JobRunning || AddingFiles) return;
    PrepareForAdding();
    AddingFiles = true;
    const auto done = qScopeGuard([this] { AddingFiles = false; });
    AddFilesToList();
}

void TForm1::AddFiles(const QStringList& APaths) {
    if (JobRunning || AddingFiles || closing_) return;
    PrepareForAdding();
    AddingFiles = true;
    const auto done = qScopeGuard([this] { AddingFiles = false; });
    AddProbedRows(ExpandDroppedPaths(APaths));
}

void TForm1::AddFilesToList() {
    const QStringList names = services_.Dialogs.OpenFiles(this, openDialogFilter_);
    AddProbedRows(names);
}

// One checked row per file, in order; the window stays responsive between
// files. Only regular files are probed: a pipe or a device named on the
// command line would block the probe. An error ends the loop silently; the
// rows added so far stay.
void TForm1::AddProbedRows(const QStringList& AFileNames) {
    try {
        for (const QString& name : AFileNames) {
            if (closing_) break;
            const std::optional<TMediaColumns> columns =
                QFileInfo(name).isFile() ? ProbeColumns(vexcoder.Probe(), QFile::encodeName(name).toStdString())
                                         : std::nullopt;
            if (columns)
                ListView1->AddRow(
                    name,
                    {QString::fromStdString(columns->VideoSize), QString::fromStdString(columns->FrameRate),
                     QString::fromStdString(columns->Duration), QString::fromStdString(Profile.OutputExtension), ""});
            else
                ListView1->AddRow(name, {"", "", "", "", "Error"});
            ListView1->scrollToItem(Row(RowCount() - 1));
            QCoreApplication::processEvents();
        }
    } catch (...) {
    }
}

void TForm1::ButtonRemoveClick() {
    if (AddingFiles) return;
    RemoveSelectedItems1Click();
}

void TForm1::ButtonClearClick() {
    if (JobRunning || AddingFiles) return;
    player_->Stop();
    PreviewPaused = false;
    vexcoder.ClearTasks();
    ListView1->clear();
}

void TForm1::CheckAllItems1Click() {
    for (int i = 0; i < RowCount(); ++i) Row(i)->setCheckState(fcFileName, Qt::Checked);
}

void TForm1::UncheckAllItems1Click() {
    for (int i = 0; i < RowCount(); ++i) Row(i)->setCheckState(fcFileName, Qt::Unchecked);
}

void TForm1::RemoveSelectedItems1Click() { delete ListView1->SelectedRow(); }

void TForm1::RemoveAllItems1Click() { ListView1->clear(); }

void TForm1::PlaySelectedFile1Click() { ButtonPlayClick(); }

void TForm1::ListView1ContextPopup(const QPoint& APosition) {
    if (popupEnabled_) PopupMenu1->popup(ListView1->viewport()->mapToGlobal(APosition));
}

// Only a row becoming selected counts; another row than the one last
// played stops the player.
void TForm1::ListView1SelectItem() {
    QTreeWidgetItem* row = ListView1->SelectedRow();
    if (!row) return;
    SelectedFileName = row->text(fcFileName);
    if (ListView1->indexOfTopLevelItem(row) != PreviewIndex) {
        player_->Stop();
        PreviewPaused = false;
    }
}

void TForm1::ButtonPlayClick() {
    const int selected = SelectedIndex();
    if (JobRunning || selected < 0) return;
    PreviewIndex = selected;
    if (!PreviewPaused) player_->SetFileName(SelectedFileName);
    PreviewPaused = false;
    player_->Play();
}

void TForm1::ButtonPauseClick() {
    if (JobRunning) return;
    PreviewPaused = true;
    player_->Pause();
}

void TForm1::ButtonStopClick() {
    if (JobRunning) return;
    player_->Stop();
    PreviewPaused = false;
}

}  // namespace vidmorph
