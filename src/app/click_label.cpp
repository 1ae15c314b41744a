#include "click_label.h"

#include <QMouseEvent>

namespace vidmorph {

TClickLabel::TClickLabel(const QString& AText, QWidget* AParent) : QLabel(AText, AParent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    setPalette(blue);
    setCursor(Qt::PointingHandCursor);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* AEvent) {
    if (AEvent->button() == Qt::LeftButton && rect().contains(AEvent->position().toPoint())) emit Clicked();
    QLabel::mouseReleaseEvent(AEvent);
}

}  // namespace vidmorph
