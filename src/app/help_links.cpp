#include "help_links.h"

#include <QCoreApplication>

#include "desktop.h"

namespace vidmorph {

QString HelpFilePath() { return QCoreApplication::applicationDirPath() + "/" + HelpFileName; }

void OpenHelpFile(IDesktop& ADesktop, const QString& AHelpFile) { ADesktop.OpenUrl(QUrl::fromLocalFile(AHelpFile)); }

void OpenWebSite(IDesktop& ADesktop) { ADesktop.OpenUrl(QUrl(WebSiteAddress)); }

void WriteToSupport(IDesktop& ADesktop) { ADesktop.OpenUrl(QUrl(QString("mailto:") + SupportAddress)); }

}  // namespace vidmorph
