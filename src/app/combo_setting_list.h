// A combo box seen as one of the profiles' setting lists.
#pragma once

#include <QComboBox>
#include <QPointer>

#include "setting_list.h"

namespace vidmorph {

// Refers to a combo box of a window; does nothing (and reads as empty) until
// one is attached or after it is gone. Selecting an entry runs no change
// handler: the combo box's signals are blocked meanwhile.
class TComboSettingList final : public TSettingList {
public:
    void Attach(QComboBox* ACombo) { combo_ = ACombo; }

    void Clear() override;
    void Add(const std::string& AText) override;
    void SetItemIndex(int AIndex) override;
    int ItemIndex() const override;
    std::string Text() const override;
    int Count() const override;
    std::string Item(int AIndex) const override;

private:
    QPointer<QComboBox> combo_;
};

}  // namespace vidmorph
