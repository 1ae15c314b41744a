// A combo box that announces that its list is about to drop down, so the
// window can set how many entries it shows first.
#pragma once

#include <QComboBox>

namespace vidmorph {

class TDropDownComboBox final : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void DropDown();
};

}  // namespace vidmorph
