// What the user does to the list beyond typing values: the clipboard, reset, the drop-downs of
// colours and dates, sorting and filtering, leaving the list.
#include "tests/proplist/list_window_fixture.h"

#include <commctrl.h>

#include <functional>

namespace proplist_tests {

TEST_F(ListWindowTest, CopyPasteResetAndErrorsGoThroughTheirEventsAndEditorKeysAreReported) {
    SelectByKeys(L"Count");
    ControlKey('C');
    SelectByKeys(L"Small");
    ControlKey('V');
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), 3) << "Count's value, copied";

    SelectByKeys(L"Count");
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kPasteValue) SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"42");
    });
    Paste(L"41");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);

    // Text that does not convert changes nothing; Error comes first and may keep the message back.
    CancelEach(events::kError);
    Paste(L"many");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);
    EXPECT_EQ(V_I4(&ArgumentsOfLast(events::kError).at(0).Get()), 13) << "type mismatch";
    EXPECT_LT(PlaceOfLast(events::kError), PlaceOfLast(events::kValueRejected));
    EXPECT_FALSE(MessageShown());

    // Reset puts back what the item held before the user's first edit.
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3);
    EXPECT_EQ(Count(events::kItemChanged), 3u);
    // A value assigned by code is the new starting point: nothing to reset.
    Paste(L"7");
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{9}).Get()), S_OK);
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 9);
    EXPECT_EQ(Count(events::kResetValue), 1u);

    // Error may reword the message, as key handlers may change the keys typed into the editor.
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        // Last first: cancel display, description, number.
        if (id == events::kError) SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"Numbers only, please.");
        if (id == events::kEditorKeyPress && *V_I2REF(&parameters.rgvarg[0]) == L'a') {
            *V_I2REF(&parameters.rgvarg[0]) = L'9';
        }
    });
    HWND editor = EditWith(L"");
    SendMessageW(editor, WM_CHAR, L'a', 1);
    SendMessageW(editor, WM_KEYUP, L'A', 1);
    EXPECT_EQ(TextIn(editor) + std::to_wstring(Count(events::kEditorKeyUp)), L"91") << "the handler changed the key";
    SetWindowTextW(editor, L"x");
    Key(VK_RETURN, editor);
    EXPECT_EQ(TextIn(list->View().MessageWindow()), L"Numbers only, please.");
}

TEST_F(ListWindowTest, ColoursArePickedFromAPaletteAHandlerMayKeepClosed) {
    SelectByKeys(L"BackColor");
    Key(VK_RETURN);
    HWND chooser = Editor();
    ASSERT_TRUE(chooser);
    CancelEach(events::kBeforeDropDown);
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    Pump();
    EXPECT_EQ(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);
    sink->OnEvent(nullptr);
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    ASSERT_NE(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof(parts);
    ASSERT_TRUE(GetComboBoxInfo(chooser, &parts));
    const LRESULT navy = SendMessageW(chooser, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"Navy"));
    ASSERT_GE(navy, 0);
    SendMessageW(parts.hwndList, LB_SETTOPINDEX, static_cast<WPARAM>(navy), 0);
    RECT row{};
    SendMessageW(parts.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(navy), reinterpret_cast<LPARAM>(&row));
    SendMessageW(parts.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2));
    Click(row.left + 5, (row.top + row.bottom) / 2, parts.hwndList);
    Pump();
    EXPECT_EQ(Count(events::kDropDownClosed), 1u) << "once, and not for the palette kept closed";
    EXPECT_LT(PlaceOfLast(events::kDropDownClosed), PlaceOfLast(events::kColourPicked));
    EXPECT_LT(PlaceOfLast(events::kColourPicked), PlaceOfLast(events::kItemChanged));
    EXPECT_EQ(Editor(), nullptr) << "picking commits";
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(0, 0, 128));
}

TEST_F(ListWindowTest, ADateIsChosenFromACalendarKeepingItsTimeOfDay) {
    SelectByKeys(L"Born");
    Key(VK_RETURN);
    Key(VK_F4, Editor());
    HWND calendar = list->View().Calendar();
    ASSERT_TRUE(calendar);
    // The 20th, which the calendar shows only if it opened on the item's month.
    RECT area{};
    GetClientRect(calendar, &area);
    MCHITTESTINFO hit{};
    hit.cbSize = MCHITTESTINFO_V1_SIZE;
    bool found = false;
    for (LONG at = 0; !found && at < area.right * area.bottom; at += 2) {
        hit.pt = {at % area.right, at / area.right};
        SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        found = hit.uHit == MCHT_CALENDARDATE && hit.st.wDay == 20 && hit.st.wMonth == 3;
    }
    ASSERT_TRUE(found);
    Click(hit.pt.x, hit.pt.y, calendar);
    Pump();
    EXPECT_EQ(GetFocus(), window) << "the focus is back on the list";
    EXPECT_EQ(Editor(), nullptr) << "choosing commits";
    EXPECT_DOUBLE_EQ(V_DATE(&ValueOf(L"Born").Get()), 45005.25);
    EXPECT_EQ((std::vector{Count(events::kDateChosen), Count(events::kItemChanged), Count(events::kDropDownClosed)}),
              std::vector<size_t>(3, 1));
}

TEST_F(ListWindowTest, SortingAndFilteringChangeTheRowsNotTheItems) {
    const std::vector<std::wstring> declared = ItemNames(list.Get());
    SelectByKeys(L"Outline");
    Command(ListView::kCommandSortAlphabetically);
    EXPECT_EQ(SelectedName(), L"Outline") << "the selection stays on its item";
    EXPECT_EQ(ReadAll().substr(0, 9), L"Anything ");
    EXPECT_EQ(ItemNames(list.Get()), declared);

    ControlKey('F');
    HWND box = list->View().FilterBox();
    ASSERT_TRUE(Shown(box));
    EXPECT_EQ(GetFocus(), box);
    SetWindowTextW(box, L"OU");
    EXPECT_EQ(ReadAll(), L"Count Outline");
    Click(20, 2);
    EXPECT_EQ(SelectedName(), L"Count") << "the box is above the rows' window";
    Key(VK_ESCAPE, box);
    EXPECT_STREQ(V_BSTR(&ArgumentsOfLast(events::kFilterChanged).at(0).Get()), L"");
}

TEST_F(ListWindowTest, AValidateHandlerKeepsTheFocusInTheListAndLeavingCommitsTheEdit) {
    SetFocus(window);
    CancelEach(events::kValidate);
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(GetFocus(), window);
    SelectByKeys(L"Caption");
    Key(VK_ESCAPE, EditWith(L"x"));
    EXPECT_EQ(Count(events::kValidate), 1u);
    sink->OnEvent(nullptr);
    EditWith(L"Kept");
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(GetFocus(), container->Window());
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Kept");
}

TEST_F(ListWindowTest, ARefusalMessageGoesWithItsEditOrWhenTheRowsChange) {
    const struct {
        const char* action;
        bool pasted;  // else typed in an editor left open
        std::function<void()> act;
    } cases[] = {
        {"focus leaves the list", false, [this] { SetFocus(container->Window()); }},
        {"filled again", false, [this] { Populate(list.Get(), sample.Get()); }},
        {"another row selected", true, [this] { Key(VK_DOWN); }},
        {"sorted", true, [this] { Command(ListView::kCommandSortAlphabetically); }},
        {"a value read again", true,
         [this] { ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{8}).Get()); }},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.action);
        SelectByKeys(L"Count");
        SetFocus(window);
        if (each.pasted) {
            Paste(L"many");
        } else {
            Key(VK_RETURN, EditWith(L"abc"));
        }
        ASSERT_TRUE(MessageShown());
        each.act();
        EXPECT_FALSE(MessageShown());
        if (Editor()) Key(VK_ESCAPE, Editor());
    }
}

TEST_F(ListWindowTest, RefillingReportsEachItemRemovedThenEachItemAdded) {
    const std::vector<std::wstring> names = ItemNames(list.Get());
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    std::vector<std::wstring> removedThenAdded;
    for (const auto& event : sink->Events()) {
        if (event.id == events::kItemRemoved) removedThenAdded.emplace_back(V_BSTR(&event.arguments.at(0).Get()));
        if (event.id == events::kItemAdded) removedThenAdded.push_back(ItemNameIn(event.arguments.at(0).Get()));
    }
    std::vector<std::wstring> expected = names;
    expected.insert(expected.end(), names.begin(), names.end());
    EXPECT_EQ(removedThenAdded, expected);
    EXPECT_LT(PlaceOfLast(events::kItemAdded), PlaceOfLast(events::kAfterPopulate));
}

}  // namespace proplist_tests
