// The open-file dialog's filter and what follows from it: the Qt name
// filters the dialog shows and the extensions a dropped folder contributes.
#pragma once

#include <QString>
#include <QStringList>

namespace vidmorph {

// Description and pattern pairs separated by "|", "All Supported Files"
// first; the text the dialog is given.
QString OpenDialogFilter();

// AFilter's pairs as Qt name filters: each description followed by its
// patterns in parentheses, blank-separated, every pattern in its written
// and its upper-case form (file names differ by case on Linux).
QStringList QtNameFilters(const QString& AFilter);

// Lower-case extensions, without the dot, of the first pair's patterns:
// the files a folder dropped onto the list contributes.
QStringList SupportedExtensions();

}  // namespace vidmorph
