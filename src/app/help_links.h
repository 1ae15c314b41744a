// The help document and the maker's addresses the Help menu and the About
// window open with the desktop's default programs.
#pragma once

#include <QString>
#include <QUrl>

namespace vidmorph {

class IDesktop;

// The help document's name; it lies beside the executable.
inline constexpr const char* HelpFileName = "help.html";
// The maker's web site and support mail address.
inline constexpr const char* WebSiteAddress = "https://www.zentrovo.com/vidmorph/";
inline constexpr const char* SupportAddress = "support@zentrovo.com";

// The executable's folder followed by the help document's name.
QString HelpFilePath();

void OpenHelpFile(IDesktop& ADesktop, const QString& AHelpFile);
void OpenWebSite(IDesktop& ADesktop);
// A new message to the support address in the default mail program.
void WriteToSupport(IDesktop& ADesktop);

}  // namespace vidmorph
