// The setting-list interface the profiles work on: a drop-down list of texts
// whose entries cannot be edited, with at most one selected entry. The desktop
// window backs it with its combo boxes; the command line and the tests use
// TVectorSettingList.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vidmorph {

class TSettingList {
public:
    virtual ~TSettingList() = default;

    // Removes every entry; nothing is selected afterwards.
    virtual void Clear() = 0;
    // Appends an entry; the selection stays as it is.
    virtual void Add(const std::string& AText) = 0;
    // Selects the entry at AIndex; -1 or an index past the entries selects
    // nothing. Runs no change handler: the profiles select entries themselves
    // and must not re-enter the selection procedure.
    virtual void SetItemIndex(int AIndex) = 0;
    // Index of the selected entry, -1 when none.
    virtual int ItemIndex() const = 0;
    // Text of the selected entry, empty when none.
    virtual std::string Text() const = 0;
    virtual int Count() const = 0;
    // Text of the entry at AIndex (0 <= AIndex < Count()).
    virtual std::string Item(int AIndex) const = 0;
};

// Index of the first entry whose text equals AText exactly, -1 when none.
int IndexOfText(const TSettingList& AList, std::string_view AText);
// Selects the first entry whose text equals AText exactly; false (and
// nothing selected) when there is none.
bool SelectText(TSettingList& AList, std::string_view AText);
// Every entry, in order.
std::vector<std::string> Entries(const TSettingList& AList);

// A setting list held in a vector.
class TVectorSettingList final : public TSettingList {
public:
    void Clear() override;
    void Add(const std::string& AText) override;
    void SetItemIndex(int AIndex) override;
    int ItemIndex() const override { return index_; }
    std::string Text() const override;
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Item(int AIndex) const override { return items_.at(static_cast<std::size_t>(AIndex)); }

private:
    std::vector<std::string> items_;
    int index_ = -1;
};

}  // namespace vidmorph
