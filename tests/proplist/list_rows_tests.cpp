// The rows apart from any window: filter, order, selection, scrolling and type-ahead.
#include "tests/proplist/list_helpers.h"

namespace proplist_tests {

using proplist::ListRows;

class ListRowsTest : public RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        items->Append({ItemIn(L"Beta"), ItemIn(L"alpha"), ItemIn(L"Gamma"), ItemIn(L"delta"), ItemIn(L"Denim")});
    }
    std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        for (size_t row = 0; row < rows.Count(); ++row) names.push_back(NameAt(row));
        return names;
    }
    std::wstring SelectedName() {
        return rows.SelectedItem() ? rows.SelectedItem()->Description().name : L"(none)";
    }
};

TEST_F(ListRowsTest, FilterOrderAndVisibilityDecideTheRowsAndTheSelectionFollowsItsItem) {
    const struct {
        const wchar_t* filter;
        bool alphabetical;
        const wchar_t* hidden;
        std::vector<std::wstring> names;
        const wchar_t* selected;  // Gamma was selected before
    } cases[] = {
        {L"", false, nullptr, {L"Beta", L"alpha", L"Gamma", L"delta", L"Denim"}, L"Gamma"},
        {L"", true, nullptr, {L"alpha", L"Beta", L"delta", L"Denim", L"Gamma"}, L"Gamma"},
        {L"TA", false, nullptr, {L"Beta", L"delta"}, L"(none)"},
        {L"a", true, L"Beta", {L"alpha", L"delta", L"Gamma"}, L"Gamma"},
        {L"", false, L"Gamma", {L"Beta", L"alpha", L"delta", L"Denim"}, L"(none)"},
    };
    for (const auto& each : cases) {
        for (size_t i = 0; i < items->Size(); ++i) items->At(i).put_Visible(VARIANT_TRUE);
        rows.Reset();
        rows.SetFilter(L"");
        rows.SetAlphabetical(false);
        rows.Select(2);
        ASSERT_EQ(SelectedName(), L"Gamma");
        rows.SetFilter(each.filter);
        rows.SetAlphabetical(each.alphabetical);
        if (each.hidden) items->Named(each.hidden)->put_Visible(VARIANT_FALSE);
        rows.Invalidate();
        SCOPED_TRACE(testing::PrintToString(std::wstring(each.filter)) + (each.alphabetical ? " by name" : ""));
        EXPECT_EQ(Names(), each.names);
        EXPECT_EQ(SelectedName(), each.selected);
    }
}

TEST_F(ListRowsTest, ScrollingKeepsAFullLastPageAndTypingFindsNamesFromAfterTheSelection) {
    const struct {
        size_t top, row, page, clamped, showing;
    } views[] = {
        {0, 3, 2, 0, 2},  // a row below the view scrolls it just enough
        {2, 0, 2, 2, 0},  // a row above brings it to the top
        {4, 1, 2, 3, 1},  // no top beyond the last full page
        {1, 2, 5, 0, 0},  // everything fits: the top is the first row
    };
    for (const auto& view : views) {
        rows.SetTop(view.top);
        EXPECT_EQ(rows.ClampTop(view.top, view.page), view.clamped) << view.top << " page " << view.page;
        rows.SetTop(view.clamped);
        EXPECT_EQ(rows.TopShowing(view.row, view.page), view.showing) << view.row << " page " << view.page;
    }

    rows.Select(0);
    const DWORD start = 5000;
    EXPECT_EQ(rows.FindTyped(L'b', start), 0u) << "a new search wraps round to the selection itself";
    EXPECT_EQ(rows.FindTyped(L'g', start + 2000), 2u) << "after a pause, a new search";
    rows.Select(2);
    EXPECT_EQ(rows.FindTyped(L'D', start + 4000), 3u);
    rows.Select(3);
    EXPECT_EQ(rows.FindTyped(L'E', start + 4100), 3u) << "a longer prefix keeps the match";
    EXPECT_EQ(rows.FindTyped(L'x', start + 4200), ListRows::kNone);
    EXPECT_EQ(rows.Typed(), L"DEx");
    rows.Select(3);
    EXPECT_EQ(rows.FindTyped(L'd', start + 6000), 4u) << "a new search starts after the selection";

    const int before = rebuilt;
    for (size_t i = 0; i < items->Size(); ++i) {
        items->At(i).put_Visible(VARIANT_FALSE);
        rows.Invalidate();
    }
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_EQ(rebuilt, before + 1) << "many changes, one rebuild";
    EXPECT_EQ(rows.Top(), 0u);
}

}  // namespace proplist_tests
