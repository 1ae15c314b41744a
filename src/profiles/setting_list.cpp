#include "setting_list.h"

namespace vidmorph {

int IndexOfText(const TSettingList& AList, std::string_view AText) {
    for (int i = 0; i < AList.Count(); ++i)
        if (AList.Item(i) == AText) return i;
    return -1;
}

bool SelectText(TSettingList& AList, std::string_view AText) {
    const int index = IndexOfText(AList, AText);
    AList.SetItemIndex(index);
    return index >= 0;
}

std::vector<std::string> Entries(const TSettingList& AList) {
    std::vector<std::string> entries;
    for (int i = 0; i < AList.Count(); ++i) entries.push_back(AList.Item(i));
    return entries;
}

void TVectorSettingList::Clear() {
    items_.clear();
    index_ = -1;
}

void TVectorSettingList::Add(const std::string& AText) { items_.push_back(AText); }

void TVectorSettingList::SetItemIndex(int AIndex) { index_ = AIndex >= 0 && AIndex < Count() ? AIndex : -1; }

std::string TVectorSettingList::Text() const {
    return index_ >= 0 ? items_[static_cast<std::size_t>(index_)] : std::string();
}

}  // namespace vidmorph
