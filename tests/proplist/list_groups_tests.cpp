// The rows apart from any window (grouped under their categories' headers, filtered, ordered, scrolled,
// found by typing) and the toolbar that orders them.
#include "tests/proplist/list_window_fixture.h"

namespace proplist_tests {

using proplist::ListRows;

class ListGroupsTest : public RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        const std::shared_ptr<const std::wstring> categories[] = {std::make_shared<const std::wstring>(L"Position"),
            std::make_shared<const std::wstring>(L"Appearance"), std::make_shared<const std::wstring>(L"Behavior")};
        const std::pair<const wchar_t*, int> named[] = {{L"Top", 0}, {L"Caption", 1}, {L"Left", 0}, {L"tabStop", 2},
                                                        {L"BackColor", 1}, {L"TabIndex", 2}};
        std::vector<ole::ComPtr<proplist::PropertyItem>> made(std::size(named));
        for (size_t i = 0; i < made.size(); ++i) {
            proplist::ItemDescription description;
            description.name = named[i].first;
            description.category = categories[named[i].second];
            ASSERT_EQ(ole::MakeObject(made[i], std::move(description)), S_OK);
        }
        items->Append(std::move(made));
    }
    std::wstring Shown() {
        std::wstring text;
        for (size_t row = 0; row < rows.Count(); ++row) text += (row ? L" " : L"") + RowText(row);
        return text;
    }
};

TEST_F(ListGroupsTest, CategoriesGroupTheRowsInTheOrderFirstMetUnlessFilteredOrCollapsedAway) {
    const struct {
        bool categorized, alphabetical;
        const wchar_t* filter;
        const wchar_t* selected;   // before the rows are ordered and filtered
        const wchar_t* collapsed;  // the group, then expanded again
        const wchar_t* shown;
        const wchar_t* selectedAfter;  // collapsed, and then expanded again
    } cases[] = {
        {true, false, L"", L"Top", nullptr,
         L"[Position] Top Left [Appearance] Caption BackColor [Behavior] tabStop TabIndex", L"Top Top"},
        {false, true, L"", L"Top", nullptr, L"BackColor Caption Left TabIndex tabStop Top", L"Top Top"},
        {true, false, L"", L"Left", L"[Position]",
         L"[+Position] [Appearance] Caption BackColor [Behavior] tabStop TabIndex", L"[+Position] [Position]"},
        {true, false, L"", L"tabStop", L"[Appearance]",
         L"[Position] Top Left [+Appearance] [Behavior] tabStop TabIndex", L"tabStop tabStop"},
        {true, false, L"P", L"Left", nullptr, L"[Position] Top [Appearance] Caption [Behavior] tabStop",
         L"(none) (none)"}};
    for (const auto& each : cases) {
        rows.SetFilter(L"");
        rows.Select(RowOf(each.selected));
        rows.SetCategorized(each.categorized);
        rows.SetAlphabetical(each.alphabetical);
        rows.SetFilter(each.filter);
        const size_t header = each.collapsed ? RowOf(each.collapsed) : ListRows::kNone;
        EXPECT_EQ(rows.SetExpanded(header, false), each.collapsed != nullptr);
        EXPECT_EQ(Shown(), each.shown);
        const std::wstring collapsedSelection = RowText(rows.Selected());
        EXPECT_EQ(rows.SetExpanded(header, true), each.collapsed != nullptr);
        EXPECT_EQ(collapsedSelection + L" " + RowText(rows.Selected()), each.selectedAfter) << each.shown;
    }
    rows.SetFilter(L"");
    EXPECT_EQ(RowText(rows.Selected()), L"(none)") << "a selection filtered away is gone for good";
}

// In object order: Top, Caption, Left, tabStop, BackColor, TabIndex.
TEST_F(ListGroupsTest, ScrollingKeepsAFullLastPageAndTypingFindsNamesFromAfterTheSelection) {
    const struct {
        size_t top, row, page, clamped, showing;
    } views[] = {
        {0, 3, 2, 0, 2},  // a row below the view scrolls it just enough
        {2, 0, 2, 2, 0},  // a row above brings it to the top
        {5, 1, 2, 4, 1},  // no top beyond the last full page
        {1, 2, 6, 0, 0},  // everything fits: the top is the first row
    };
    for (const auto& view : views) {
        rows.SetTop(view.top);
        EXPECT_EQ(rows.ClampTop(view.top, view.page), view.clamped) << view.top << " page " << view.page;
        rows.SetTop(view.clamped);
        EXPECT_EQ(rows.TopShowing(view.row, view.page), view.showing) << view.row << " page " << view.page;
    }

    const DWORD start = 5000;
    rows.Select(0);
    EXPECT_EQ(rows.FindTyped(L't', start), 3u) << "a new search starts after the selection";
    rows.Select(3);
    EXPECT_EQ(rows.FindTyped(L'A', start + 100), 3u) << "a longer prefix keeps the match";
    EXPECT_EQ(rows.FindTyped(L'x', start + 200), ListRows::kNone);
    EXPECT_EQ(rows.Typed(), L"tAx");
    EXPECT_EQ(rows.FindTyped(L'b', start + 2500), 4u) << "after a pause, a new search";
    rows.Select(4);
    EXPECT_EQ(rows.FindTyped(L'B', start + 5000), 4u) << "a new search wraps round to the selection itself";

    const int before = rebuilt;
    for (size_t i = 0; i < items->Size(); ++i) {
        items->At(i).put_Visible(VARIANT_FALSE);
        rows.Invalidate();
    }
    EXPECT_EQ(rows.Count(), 0u);
    EXPECT_EQ(rebuilt, before + 1) << "many changes, one rebuild";
    EXPECT_EQ(rows.Top(), 0u);
}

TEST_F(ListWindowTest, ToolbarTheTogglesAndTheSearchBoxDriveTheRows) {
    EXPECT_FALSE(IsWindowEnabled(Toggle(ListView::kCategorizedOrder))) << "the sample has no categories";
    ASSERT_EQ(list->put_ViewOrder(ListView::kCategorizedOrder), S_OK);
    EXPECT_EQ(ReadAll().substr(0, 20), L"Caption Count Ratio ") << "without categories, no headers";
    ASSERT_EQ(list->put_ViewOrder(ListView::kObjectOrder), S_OK);
    const ole::ComPtr<SampleObject> categorized = SampleObject::Create(SampleObject::Kind::Categorized);
    ASSERT_EQ(Populate(list.Get(), static_cast<IDispatch*>(categorized.Get())), S_OK);
    told->ClearCalls();
    SendMessageW(Toggle(ListView::kCategorizedOrder), BM_CLICK, 0, 0);
    EXPECT_EQ(told->ChangedIds(), std::vector<DISPID>{proplist::kDispidViewOrder})
        << "the container hears of the user's choice";
    EXPECT_EQ(SendMessageW(Toggle(ListView::kCategorizedOrder), BM_GETCHECK, 0, 0), BST_CHECKED);

    SetWindowTextW(list->View().FilterBox(), L"a");
    EXPECT_EQ(ReadAll(), L"[Appearance] Caption BackColor [Numbers] Ratio [Misc] Serial Values Anything Small");
    SetWindowTextW(list->View().FilterBox(), L"ti");
    EXPECT_EQ(ReadAll(), L"[Appearance] Caption [Numbers] Ratio");
    Key(VK_HOME);
    Key(VK_LEFT);
    EXPECT_EQ(ReadAll(), L"[+Appearance] [Numbers] Ratio");
    EXPECT_EQ(ItemNameIn(ArgumentsOfLast(events::kSelectionChanged).at(0).Get()), L"?") << "a header is no item";
    Key(VK_RETURN);
    EXPECT_EQ(ReadAll(), L"[Appearance] Caption [Numbers] Ratio");

    SendMessageW(Toggle(ListView::kAlphabeticalOrder), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadAll(), L"Caption Ratio");
    EXPECT_EQ(Count(events::kSortOrderChanged), 1u);
    Key(VK_ESCAPE, list->View().FilterBox());
    EXPECT_EQ(ReadAll().substr(0, 20), L"Anything BackColor B");
}

TEST_F(ListWindowTest, ToolbarTabGoesFromTheLastRowRoundTheOfferedTogglesAndTheSearchBoxBackToTheRows) {
    const HWND box = list->View().FilterBox(), first = Toggle(ListView::kObjectOrder);
    const HWND second = Toggle(ListView::kAlphabeticalOrder);
    SetFocus(window);
    Key(VK_END);
    for (HWND expected : {first, second, box, window}) {
        Key(VK_TAB, GetFocus());
        EXPECT_EQ(GetFocus(), expected);
    }
    Key(VK_HOME);
    const HeldKey shift(VK_SHIFT);
    for (HWND expected : {box, second, first, window}) {
        Key(VK_TAB, GetFocus());
        EXPECT_EQ(GetFocus(), expected) << "Shift+Tab goes back, from the first row";
    }
}

}  // namespace proplist_tests
