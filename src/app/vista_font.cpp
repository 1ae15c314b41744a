#include "vista_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QOperatingSystemVersion>
#include <QWidget>

namespace vidmorph {

namespace {
const QString kVistaFont = QStringLiteral("Segoe UI");
}

void UseDesignFont(QWidget& AWindow) { AWindow.setFont(QFont(QStringLiteral("Tahoma"), 8)); }

bool IsVistaOrLater() {
#ifdef Q_OS_WIN
    return QOperatingSystemVersion::current().majorVersion() > 5;
#else
    return true;
#endif
}

bool SystemHasFont(const QString& AFamily) {
    const QStringList families = QFontDatabase::families();
    return families.contains(AFamily, Qt::CaseInsensitive);
}

void UseVistaFont(QWidget& AWindow, const std::function<bool(const QString&)>& AHasFont) {
    QFont font = AWindow.font();
    if (font.family().compare(kVistaFont, Qt::CaseInsensitive) == 0 || !AHasFont(kVistaFont)) return;
    font.setPointSize(font.pointSize() + 1);
    font.setFamily(kVistaFont);
    AWindow.setFont(font);
}

}  // namespace vidmorph
