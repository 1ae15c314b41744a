// Message boxes, the folder picker, the open-file dialog and modal windows,
// behind an interface that tests replace.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace vidmorph {

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // A message box with an information icon and one OK button; returns
    // when it is closed.
    virtual void ShowMessage(QWidget* AParent, const QString& AText, const QString& ACaption) = 0;
    // A question with a question icon and Yes and No buttons; true for Yes.
    virtual bool AskYesNo(QWidget* AParent, const QString& AText, const QString& ACaption) = 0;
    // The folder picker (folders only) under AHeadline; an empty text when
    // the user cancels.
    virtual QString BrowseForFolder(QWidget* AParent, const QString& AHeadline, const QString& AStartFolder) = 0;
    // The open-file dialog: several existing files at once, AFilter in the
    // "description|patterns|..." form with its first pair selected. The
    // chosen files in the dialog's order; empty when the user cancels.
    virtual QStringList OpenFiles(QWidget* AParent, const QString& AFilter) = 0;
    // Shows ADialog modally and returns when it is closed.
    virtual void ShowModal(QDialog& ADialog) = 0;
};

// The Qt dialogs.
class TQtDialogs final : public IDialogs {
public:
    void ShowMessage(QWidget* AParent, const QString& AText, const QString& ACaption) override;
    bool AskYesNo(QWidget* AParent, const QString& AText, const QString& ACaption) override;
    QString BrowseForFolder(QWidget* AParent, const QString& AHeadline, const QString& AStartFolder) override;
    QStringList OpenFiles(QWidget* AParent, const QString& AFilter) override;
    void ShowModal(QDialog& ADialog) override;

private:
    QString lastOpenFolder_;  // the open dialog starts where it was left
};

}  // namespace vidmorph
