#include "dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "open_dialog_filter.h"

namespace vidmorph {

void TQtDialogs::ShowMessage(QWidget* AParent, const QString& AText, const QString& ACaption) {
    QMessageBox box(QMessageBox::Information, ACaption, AText, QMessageBox::Ok, AParent);
    box.exec();
}

bool TQtDialogs::AskYesNo(QWidget* AParent, const QString& AText, const QString& ACaption) {
    QMessageBox box(QMessageBox::Question, ACaption, AText, QMessageBox::Yes | QMessageBox::No, AParent);
    return box.exec() == QMessageBox::Yes;
}

QString TQtDialogs::BrowseForFolder(QWidget* AParent, const QString& AHeadline, const QString& AStartFolder) {
    return QFileDialog::getExistingDirectory(AParent, AHeadline, AStartFolder.trimmed(), QFileDialog::ShowDirsOnly);
}

QStringList TQtDialogs::OpenFiles(QWidget* AParent, const QString& AFilter) {
    QFileDialog dialog(AParent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions show as written; the patterns behind them match
    // either case.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(AFilter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
    if (!lastOpenFolder_.isEmpty()) dialog.setDirectory(lastOpenFolder_);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) lastOpenFolder_ = QFileInfo(files.first()).absolutePath();
    return files;
}

void TQtDialogs::ShowModal(QDialog& ADialog) { ADialog.exec(); }

}  // namespace vidmorph
