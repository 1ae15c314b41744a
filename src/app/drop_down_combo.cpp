#include "drop_down_combo.h"

namespace vidmorph {

void TDropDownComboBox::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

}  // namespace vidmorph
