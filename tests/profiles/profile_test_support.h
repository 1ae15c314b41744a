// The main window's lists held in vectors, for the profile tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "option_records.h"
#include "output_format.h"
#include "profile_lists.h"
#include "setting_list.h"
#include "vector_profile_lists.h"

namespace vidmorph::testing {

// The ten lists as the window creates them, with the steps a user takes.
class WindowLists : public TVectorProfileLists {
public:
    // Picks a format list entry by its text and runs the selection procedure.
    bool Choose(std::string_view entry) {
        const int index = IndexOfText(format, entry);
        EXPECT_GE(index, 0) << "no format entry \"" << entry << "\"";
        format.SetItemIndex(index);
        return ComboOutputFormatChange(lists, 27);
    }
    // Selects an entry of a setting list by its text (the user's choice).
    static void Pick(TSettingList& list, std::string_view text) {
        ASSERT_TRUE(SelectText(list, text)) << "no entry \"" << text << "\"";
    }
    // ApplyProfile on a record just reset.
    TOutputOptions Applied() const {
        TOutputOptions o;
        InitOutputOptions(o);
        ApplyProfile(lists, o);
        return o;
    }
};

}  // namespace vidmorph::testing
