// A label that reads as a link (blue, underlined, hand cursor) and reports
// a left click.
#pragma once

#include <QLabel>

namespace vidmorph {

class TClickLabel final : public QLabel {
    Q_OBJECT
public:
    TClickLabel(const QString& AText, QWidget* AParent);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
};

}  // namespace vidmorph
