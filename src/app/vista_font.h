// The font switch for newer systems: windows designed for Tahoma 8 points
// take "Segoe UI", one point larger, where that font is installed.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vidmorph {

// The font every window is designed with: Tahoma, 8 points.
void UseDesignFont(QWidget& AWindow);

// A newer system: on Windows a major version above 5; every Linux desktop
// Qt 6 runs on counts as one, the installed fonts decide.
bool IsVistaOrLater();

// Whether the system has a font family of that name (case ignored).
bool SystemHasFont(const QString& AFamily);

// Unless the window's font already is "Segoe UI" (case ignored) or the
// system lacks that font: the font's size one point up and its name
// "Segoe UI". AHasFont answers for the system.
void UseVistaFont(QWidget& AWindow, const std::function<bool(const QString&)>& AHasFont = SystemHasFont);

}  // namespace vidmorph
