// The list on screen, driven by simulated keyboard and mouse input as a user drives it.
#include "proplist/list_events.h"
#include "tests/proplist/list_window_fixture.h"
#include "tests/support/canvas.h"
#include "tests/support/run_time_types.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace proplist_tests {

using ole::ComPtr;
using proplist::ListView;
namespace events = proplist::events;

TEST_F(ListWindowTest, CommittingAnEditStoresTheValueAndRaisesItemChangedOnce) {
    SelectByKeys(L"Count");
    ComPtr<IPropertyItem> count = ItemNamed(list.Get(), L"Count");
    sink->OnEvent([&](DISPID id, DISPPARAMS& parameters) {
        if (id != events::kItemChanged) return;
        ASSERT_EQ(V_VT(&parameters.rgvarg[0]), VT_DISPATCH | VT_BYREF);
        EXPECT_EQ(*V_DISPATCHREF(&parameters.rgvarg[0]), static_cast<IDispatch*>(count.Get()));
        EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 12) << "the value is stored before the event";
    });
    HWND editor = EditWith(L"12");
    Key(VK_RETURN, editor);
    EXPECT_EQ(Count(events::kItemChanged), 1u);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(sample->values.count, 3) << "the list never writes to the object itself";
    // An edit that changes nothing is no change, and neither is an assignment from code.
    Key(VK_RETURN, EditWith(L"12"));
    ASSERT_EQ(count->put_Value(ole::Variant(LONG{99}).Get()), S_OK);
    EXPECT_EQ(Count(events::kItemChanged), 1u);
}

TEST_F(ListWindowTest, EscapeAndRefusedValuesCommitNothing) {
    SelectByKeys(L"Caption");
    Key(VK_ESCAPE, EditWith(L"Typed"));
    EXPECT_EQ(Count(events::kEditCancelled), 1u);
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Hello");

    // Not a number, not whole, and out of range for a 16-bit property.
    SelectByKeys(L"Count");
    HWND editor = EditWith(L"abc");
    Key(VK_RETURN, editor);
    EXPECT_EQ(Count(events::kValueRejected), 1u);
    EXPECT_EQ(list->View().Editor(), editor) << "the user may correct the text";
    EXPECT_TRUE(Shown(list->View().MessageWindow()));
    SetWindowTextW(editor, L"2.5");
    Key(VK_RETURN, editor);
    Key(VK_END);
    EXPECT_EQ(SelectedName(), L"Count") << "a refused value keeps the user where he is";
    Key(VK_ESCAPE, editor);
    SelectByKeys(L"Small");
    Key(VK_RETURN, EditWith(L"70000"));
    EXPECT_EQ(Count(events::kItemChanged), 0u);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3);
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), 7);

    SetWindowTextW(list->View().Editor(), L"-4");
    Key(VK_RETURN, list->View().Editor());
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), -4);
    EXPECT_FALSE(Shown(list->View().MessageWindow()));
}

TEST_F(ListWindowTest, EnumerationsAreChosenFromADropDownNoTallerThanItsRow) {
    SelectByKeys(L"Outline");
    Key(VK_RETURN);
    HWND chooser = list->View().Editor();
    ASSERT_TRUE(chooser);
    EXPECT_EQ(SendMessageW(chooser, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(chooser, CB_GETCURSEL, 0, 0), 2) << "the current value is chosen";
    RECT closed{};
    GetWindowRect(chooser, &closed);
    EXPECT_LE(closed.bottom - closed.top, list->View().RowHeight());
    SendMessageW(chooser, CB_SETCURSEL, 1, 0);
    Key(VK_RETURN, chooser);
    EXPECT_EQ(V_I4(&ValueOf(L"Outline").Get()), 1);
}

TEST_F(ListWindowTest, NavigationSkipsHiddenItemsAndAnOpenEditorFollowsItsRow) {
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Visible(VARIANT_FALSE), S_OK);
    ASSERT_EQ(ItemNamed(list.Get(), L"Small")->put_Visible(VARIANT_FALSE), S_OK);
    Key(VK_HOME);
    Key(VK_DOWN);
    EXPECT_EQ(SelectedName(), L"Ratio");
    Key(VK_UP);
    EXPECT_EQ(SelectedName(), L"Caption");
    Key(VK_END);
    EXPECT_EQ(SelectedName(), L"Anything");
    Key(VK_PRIOR);
    Key(VK_PRIOR);
    EXPECT_EQ(SelectedName(), L"Caption");
    // An editor open on Ratio moves up with its row as Caption, above it, is hidden.
    Key(VK_DOWN);
    HWND editor = EditWith(L"1.5");
    RECT before{}, after{};
    GetWindowRect(editor, &before);
    ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->put_Visible(VARIANT_FALSE), S_OK);
    GetWindowRect(editor, &after);
    EXPECT_EQ(after.top, before.top - list->View().RowHeight());
    // Hiding the item being edited closes its editor, committing nothing, and takes the
    // selection away from it.
    ASSERT_EQ(ItemNamed(list.Get(), L"Ratio")->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_EQ(list->View().Editor(), nullptr);
    EXPECT_EQ(Count(events::kItemChanged), 0u);
    EXPECT_EQ(SelectedName(), L"(none)");
}

TEST_F(ListWindowTest, TypingSelectsByNameTabMovesBetweenValuesAndOnlyPlainValuesAreEditedInPlace) {
    SendMessageW(window, WM_CHAR, L'b', 1);
    SendMessageW(window, WM_CHAR, L'o', 1);
    EXPECT_EQ(SelectedName(), L"Born");
    Key(VK_TAB);
    EXPECT_EQ(SelectedName(), L"Serial") << "read-only: selected, not edited";
    EXPECT_EQ(list->View().Editor(), nullptr);
    Key(VK_RETURN);
    EXPECT_EQ(list->View().Editor(), nullptr);
    EXPECT_EQ(Count(events::kReadOnlyEditAttempt), 2u) << "one for Tab, one for Enter";
    Key(VK_DOWN);
    Key(VK_F2);
    EXPECT_EQ(list->View().Editor(), nullptr) << "Child's custom value is edited by the list's user";
    EXPECT_EQ(Count(events::kButtonClick), 1u);
    Key(VK_HOME);
    Key(VK_TAB, EditWith(L"Tabbed"));
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Tabbed");
    EXPECT_EQ(SelectedName(), L"Count");
    EXPECT_NE(list->View().Editor(), nullptr) << "the next value is edited";
}

TEST_F(ListWindowTest, EveryKeyRaisesKeyDownAndAHandlerCanSwallowIt) {
    sink->OnEvent([&](DISPID id, DISPPARAMS& parameters) {
        // Arguments arrive last first: the shift state, then the key code by reference.
        if (id != events::kKeyDown || V_VT(&parameters.rgvarg[1]) != (VT_I2 | VT_BYREF)) return;
        if (*V_I2REF(&parameters.rgvarg[1]) == VK_DOWN) *V_I2REF(&parameters.rgvarg[1]) = 0;
    });
    Key(VK_HOME);
    Key(VK_F5);
    Key(VK_DOWN);
    EXPECT_EQ(Count(events::kKeyDown), 3u);
    EXPECT_EQ(SelectedName(), L"Caption") << "the swallowed key did nothing";
    // Keys typed into the editor are keys pressed in the list too.
    Key(VK_ESCAPE, EditWith(L"x"));
    EXPECT_EQ(Count(events::kKeyDown), 5u);
}

TEST_F(ListWindowTest, AHandlerCanRefuseASelectionChange) {
    Key(VK_HOME);
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id != events::kBeforeSelectionChange) return;
        // Last first: the cancel flag, then the item that would be selected.
        if (ItemNameIn(parameters.rgvarg[1]) == L"Count") *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
    });
    Key(VK_DOWN);
    EXPECT_EQ(SelectedName(), L"Caption");
    Key(VK_END);
    EXPECT_EQ(SelectedName(), L"Small");
    EXPECT_EQ(Count(events::kSelectionChanged), 2u);
}

TEST_F(ListWindowTest, RedrawFalseSuspendsPaintingAndTrueRepaintsOnce) {
    ShowWindow(container->Window(), SW_SHOWNA);
    UpdateWindow(window);
    // The view's own count of paints, and the Paint events a host saw.
    const auto paints = [&] { return std::pair{list->View().PaintCount(), Count(events::kPaint)}; };
    const auto before = paints();
    ASSERT_EQ(list->put_Redraw(VARIANT_FALSE), S_OK);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(paints(), before);
    ASSERT_EQ(list->put_Redraw(VARIANT_TRUE), S_OK);
    EXPECT_EQ(paints(), std::pair(before.first + 1, before.second + 1));
}

TEST_F(ListWindowTest, ALargerFontMakesTallerRows) {
    const int rowHeight = list->View().RowHeight();
    const ComPtr<IFont> font = FontOf(list.Get());
    ASSERT_TRUE(font);
    ASSERT_EQ(font->put_Size(Points(24)), S_OK);
    EXPECT_GT(list->View().RowHeight(), rowHeight);
    EXPECT_EQ(Count(events::kFontChanged), 1u);
}

TEST_F(ListWindowTest, ALongListScrollsAndDrawsOnlyAPage) {
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(5000).Get()), S_OK);
    RECT client{};
    GetClientRect(window, &client);
    const size_t page = static_cast<size_t>(client.bottom / list->View().RowHeight());
    support::Canvas canvas(client.right, client.bottom);
    list->View().Draw(canvas.Dc(), client);
    EXPECT_LE(list->View().RowsDrawn(), page + 1);
    const size_t pageDrawn = list->View().RowsDrawn();
    ShowWindow(container->Window(), SW_SHOWNA);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(list->View().RowsDrawn(), pageDrawn) << "the window paints the same page, a row at a time";
    support::Canvas shown(client.right, client.bottom);
    HDC screen = GetDC(window);
    BitBlt(shown.Dc(), 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
    EXPECT_EQ(shown.Pixels(), canvas.Pixels());
    list->View().Draw(canvas.Dc(), {0, 0, client.right, list->View().RowHeight() * 4});
    EXPECT_EQ(list->View().RowsDrawn(), 4u) << "only the rows in the area painted";
    Key(VK_END);
    EXPECT_EQ(SelectedName(), L"Prop4999");
    list->View().Draw(canvas.Dc(), client);
    EXPECT_GE(list->View().RowsDrawn(), page) << "the view followed the selection";
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(3).Get()), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) << "every row fits";
}

TEST_F(ListWindowTest, AModifiedValueIsDrawnBold) {
    const int rowHeight = list->View().RowHeight();
    const int width = 300;
    support::Canvas canvas(width, rowHeight);
    // Bold text leaves more ink in Caption's value cell than the same text drawn plain.
    const auto ink = [&] {
        list->View().Draw(canvas.Dc(), {0, 0, width, rowHeight});
        const std::vector<std::uint32_t> pixels = canvas.Pixels();
        const std::uint32_t background = pixels.at(static_cast<size_t>(width + width - 1));
        int inked = 0;
        for (int y = 1; y < rowHeight - 1; ++y) {
            for (int x = width * 45 / 100 + 3; x < width; ++x) inked += pixels[static_cast<size_t>(y * width + x)] != background;
        }
        return inked;
    };
    const int plain = ink();
    ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->put_Modified(ole::Variant(true).Get()), S_OK);
    EXPECT_GT(ink(), plain);
}

TEST_F(ListWindowTest, DisabledListTakesNoInput) {
    ASSERT_EQ(list->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(IsWindowEnabled(window));
    Key(VK_HOME);
    Key(VK_RETURN);
    EXPECT_EQ(SelectedName(), L"(none)");
    EXPECT_EQ(list->View().Editor(), nullptr);
}

TEST_F(ListWindowTest, MouseSelectsEditsAndDragsTheSplitter) {
    const int rowHeight = list->View().RowHeight();
    RECT client{};
    GetClientRect(window, &client);
    Click(5, rowHeight * 2 + rowHeight / 2);
    EXPECT_EQ(SelectedName(), L"Ratio");
    EXPECT_EQ(list->View().Editor(), nullptr) << "a first click selects";
    Click(client.right - 5, rowHeight * 2 + rowHeight / 2);
    EXPECT_NE(list->View().Editor(), nullptr) << "a click on the selected item's value edits it";
    Key(VK_ESCAPE, list->View().Editor());

    // The splitter starts near the middle; dragging it moves the value column.
    const int splitter = static_cast<int>(client.right * 0.45);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(splitter, 5));
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right / 4, 5));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(client.right / 4, 5));
    ASSERT_EQ(Count(events::kSplitterMoved), 1u);
    EXPECT_EQ(SelectedName(), L"Ratio") << "dragging the splitter selects nothing";
    EXPECT_NEAR(V_R4(&ArgumentsOfLast(events::kSplitterMoved).at(0).Get()), client.right / 4.0, 1.0);
    EXPECT_EQ(Count(events::kColumnWidthChanged), 1u);
    // What was the value column left of the old splitter is now a value.
    Click(client.right / 2, rowHeight * 2 + rowHeight / 2);
    EXPECT_NE(list->View().Editor(), nullptr);
}

TEST_F(ListWindowTest, ContainerPassesTheListsKeysThroughTranslateAccelerator) {
    ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(list.As(&active), S_OK);
    MSG down{window, WM_KEYDOWN, VK_DOWN, 1, 0, {}};
    EXPECT_EQ(active->TranslateAccelerator(&down), S_OK);
    EXPECT_EQ(SelectedName(), L"Caption");
    MSG letter{window, WM_KEYDOWN, 'A', 1, 0, {}};
    EXPECT_EQ(active->TranslateAccelerator(&letter), S_FALSE) << "other keys are the container's to route";
    MSG elsewhere{container->Window(), WM_KEYDOWN, VK_DOWN, 1, 0, {}};
    EXPECT_EQ(active->TranslateAccelerator(&elsewhere), S_FALSE);
    EXPECT_EQ(SelectedName(), L"Caption");
}

TEST_F(ListWindowTest, FocusGivenToTheControlReachesTheList) {
    ShowWindow(container->Window(), SW_SHOW);
    SetFocus(GetParent(window));
    EXPECT_EQ(GetFocus(), window);
    const auto& calls = container->Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "OnUIActivate"), calls.end())
        << "the list became the container's active object";
}

}  // namespace proplist_tests
