#include "combo_setting_list.h"

#include <QSignalBlocker>

namespace vidmorph {

void TComboSettingList::Clear() {
    if (!combo_) return;
    const QSignalBlocker blocker(combo_);
    combo_->clear();
}

void TComboSettingList::Add(const std::string& AText) {
    if (!combo_) return;
    const QSignalBlocker blocker(combo_);
    combo_->addItem(QString::fromStdString(AText));
}

void TComboSettingList::SetItemIndex(int AIndex) {
    if (!combo_) return;
    const QSignalBlocker blocker(combo_);
    combo_->setCurrentIndex(AIndex >= 0 && AIndex < combo_->count() ? AIndex : -1);
}

int TComboSettingList::ItemIndex() const { return combo_ ? combo_->currentIndex() : -1; }

std::string TComboSettingList::Text() const {
    return combo_ && combo_->currentIndex() >= 0 ? combo_->itemText(combo_->currentIndex()).toStdString()
                                                 : std::string();
}

int TComboSettingList::Count() const { return combo_ ? combo_->count() : 0; }

std::string TComboSettingList::Item(int AIndex) const {
    return combo_ ? combo_->itemText(AIndex).toStdString() : std::string();
}

}  // namespace vidmorph
