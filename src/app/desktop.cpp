#include "desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace vidmorph {

void TQtDesktop::OpenUrl(const QUrl& AUrl) { QDesktopServices::openUrl(AUrl); }

void TQtDesktop::StartDetached(const QString& AProgram, const QStringList& AArguments,
                               const QString& AWorkingDirectory) {
    QProcess process;
    process.setProgram(AProgram);
    process.setArguments(AArguments);
    process.setWorkingDirectory(AWorkingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

}  // namespace vidmorph
