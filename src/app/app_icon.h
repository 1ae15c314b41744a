// The program's icon, drawn in code (the same picture as share/vidmorph.svg,
// which the desktop file uses), so the window needs no image plugin.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace vidmorph {

// The icon at ASize x ASize pixels.
QPixmap AppIconPixmap(int ASize);
// The icon in the usual sizes, for the windows' title bars.
QIcon AppIcon();

}  // namespace vidmorph
