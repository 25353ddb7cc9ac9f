// What the user does to the list beyond typing values: the clipboard, reset, help, the drop-downs
// of colours and dates, the mouse resting on rows, sorting and filtering, leaving the list.
#include "tests/proplist/list_window_fixture.h"

#include <commctrl.h>

#include <cstring>
#include <functional>

namespace proplist_tests {

using ole::ComPtr;
using proplist::ListView;
namespace events = proplist::events;

namespace {

void PutText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

}  // namespace

class ListInteractionTest : public ListWindowTest {
protected:
    // The names of the rows in order, as the keyboard walks them.
    std::vector<std::wstring> RowNames() {
        std::vector<std::wstring> names;
        Key(VK_HOME);
        while (names.size() < 30 && (names.empty() || names.back() != SelectedName())) {
            names.push_back(SelectedName());
            Key(VK_DOWN);
        }
        return names;
    }

    void Command(UINT command) { SendMessageW(window, WM_COMMAND, command, 0); }

    // A shortcut, with Ctrl down as GetKeyState sees it.
    void ControlKey(WORD key) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] |= 0x80;
        SetKeyboardState(state);
        Key(key);
        state[VK_CONTROL] &= 0x7F;
        SetKeyboardState(state);
    }

    void Paste(const std::wstring& text) {
        PutText(text);
        Command(ListView::kCommandPaste);
    }
};

TEST_F(ListInteractionTest, CopyPasteAndResetGoThroughTheirEvents) {
    SelectByKeys(L"Count");
    ControlKey('C');
    SelectByKeys(L"Small");
    ControlKey('V');
    EXPECT_EQ(V_I2(&ValueOf(L"Small").Get()), 3) << "Count's value, copied";

    // A handler of PasteValue may rework the text; the result is a user's edit.
    SelectByKeys(L"Count");
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id != events::kPasteValue || V_VT(&parameters.rgvarg[1]) != (VT_BSTR | VT_BYREF)) return;
        if (std::wstring(*V_BSTRREF(&parameters.rgvarg[1])) == L"41") SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"42");
    });
    Paste(L"41");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);

    // Text that does not convert changes nothing; Error comes first and may keep the message back.
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kError) *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
    });
    Paste(L"many");
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 42);
    EXPECT_EQ(V_I4(&ArgumentsOfLast(events::kError).at(0).Get()), 13) << "type mismatch";
    EXPECT_LT(PlaceOfLast(events::kError), PlaceOfLast(events::kValueRejected));
    EXPECT_FALSE(Shown(list->View().MessageWindow()));

    // Reset puts back what the item held before the user's first edit, as an edit of its own.
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 3);
    EXPECT_EQ(Count(events::kItemChanged), 3u);
    // A value assigned by code is the new starting point: nothing to reset.
    Paste(L"7");
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{9}).Get()), S_OK);
    Command(ListView::kCommandReset);
    EXPECT_EQ(V_I4(&ValueOf(L"Count").Get()), 9);
    EXPECT_EQ(Count(events::kResetValue), 1u);

}

TEST_F(ListInteractionTest, ErrorMayRewordTheMessageAndEditorKeysAreReported) {
    SelectByKeys(L"Count");
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kError) {
            // Last first: cancel display, description, number.
            SysReAllocString(V_BSTRREF(&parameters.rgvarg[1]), L"Numbers only, please.");
        } else if (id == events::kEditorKeyPress && *V_I2REF(&parameters.rgvarg[0]) == L'a') {
            *V_I2REF(&parameters.rgvarg[0]) = L'9';
        }
    });
    HWND editor = EditWith(L"");
    SendMessageW(editor, WM_CHAR, L'a', 1);
    SendMessageW(editor, WM_KEYUP, L'A', 1);
    wchar_t typed[8] = {};
    GetWindowTextW(editor, typed, 8);
    EXPECT_STREQ(typed, L"9") << "the handler changed the key";
    EXPECT_EQ(Count(events::kEditorKeyPress), 1u);
    EXPECT_EQ(Count(events::kEditorKeyUp), 1u);
    SetWindowTextW(editor, L"x");
    Key(VK_RETURN, editor);
    wchar_t shown[64] = {};
    GetWindowTextW(list->View().MessageWindow(), shown, 64);
    EXPECT_STREQ(shown, L"Numbers only, please.");
}

TEST_F(ListInteractionTest, ColoursArePickedFromAPaletteOrTyped) {
    SelectByKeys(L"BackColor");
    Key(VK_RETURN);
    HWND chooser = list->View().Editor();
    ASSERT_TRUE(chooser);
    // A handler may keep the palette closed.
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kBeforeDropDown) *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
    });
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    Pump();
    EXPECT_EQ(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);

    sink->OnEvent(nullptr);
    Key(VK_F4, GetWindow(chooser, GW_CHILD));
    ASSERT_NE(SendMessageW(chooser, CB_GETDROPPEDSTATE, 0, 0), 0);
    // The user clicks Navy in the open list.
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
    EXPECT_EQ(V_I4(&ArgumentsOfLast(events::kColourPicked).at(1).Get()), static_cast<LONG>(RGB(0, 0, 128)));
    EXPECT_LT(PlaceOfLast(events::kDropDownClosed), PlaceOfLast(events::kColourPicked));
    EXPECT_LT(PlaceOfLast(events::kColourPicked), PlaceOfLast(events::kItemChanged));
    EXPECT_EQ(list->View().Editor(), nullptr) << "picking commits";
    EXPECT_EQ(V_UI4(&ValueOf(L"BackColor").Get()), RGB(0, 0, 128));
    EXPECT_EQ(Count(events::kItemChanged), 1u);
}

TEST_F(ListInteractionTest, ADateIsChosenFromACalendarKeepingItsTimeOfDay) {
    SelectByKeys(L"Born");
    Key(VK_RETURN);
    HWND editor = list->View().Editor();
    ASSERT_TRUE(editor);
    Key(VK_F4, editor);
    HWND calendar = list->View().Calendar();
    ASSERT_TRUE(calendar);
    // The user clicks the 20th, which the calendar shows only if it opened on the item's month.
    RECT area{};
    GetClientRect(calendar, &area);
    POINT twentieth{-1, -1};
    for (int y = 0; y < area.bottom && twentieth.x < 0; y += 2) {
        for (int x = 0; x < area.right && twentieth.x < 0; x += 2) {
            MCHITTESTINFO hit{};
            hit.cbSize = MCHITTESTINFO_V1_SIZE;
            hit.pt = {x, y};
            SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.uHit == MCHT_CALENDARDATE && hit.st.wDay == 20 && hit.st.wMonth == 3) twentieth = {x, y};
        }
    }
    ASSERT_GE(twentieth.x, 0);
    Click(twentieth.x, twentieth.y, calendar);
    Pump();
    EXPECT_EQ(GetFocus(), window) << "the focus is back on the list";
    EXPECT_EQ(list->View().Editor(), nullptr) << "choosing commits";
    EXPECT_DOUBLE_EQ(V_DATE(&ValueOf(L"Born").Get()), 45005.25);
    EXPECT_EQ(Count(events::kDateChosen), 1u);
    EXPECT_EQ(Count(events::kItemChanged), 1u);
    EXPECT_EQ(Count(events::kDropDownClosed), 1u);
}

TEST_F(ListInteractionTest, TheMouseEnteringRowsAndRestingOnACutValue) {
    const int row = list->View().RowHeight();
    const std::wstring longText(200, L'w');
    ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->put_Value(ole::Variant(std::wstring_view(longText)).Get()), S_OK);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(250, row / 2));
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(250, row + row / 2));
    EXPECT_EQ(ItemNameIn(ArgumentsOfLast(events::kItemLeave).at(0).Get()), L"Caption");
    EXPECT_EQ(ItemNameIn(ArgumentsOfLast(events::kItemEnter).at(0).Get()), L"Count");
    EXPECT_EQ(Count(events::kMouseEnter), 1u);

    // A cut value offers the whole of itself as a tooltip.
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kToolTipShow) {
            EXPECT_EQ(SysStringLen(*V_BSTRREF(&parameters.rgvarg[0])), 200u) << "the whole of the cut value";
        }
    });
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(250, row / 2));
    SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(250, row / 2));
    EXPECT_TRUE(Shown(list->View().ToolTip()));

    SendMessageW(window, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(Shown(list->View().ToolTip()));
    EXPECT_EQ(Count(events::kMouseLeave), 1u);
}

TEST_F(ListInteractionTest, SortingAndFilteringChangeTheRowsNotTheItems) {
    const std::vector<std::wstring> declared = ItemNames(list.Get());
    SelectByKeys(L"Outline");
    Command(ListView::kCommandSortAlphabetically);
    EXPECT_EQ(SelectedName(), L"Outline") << "the selection stays on its item";
    EXPECT_EQ(RowNames().front(), L"Anything") << "the order within is the rows' own";
    EXPECT_EQ(ItemNames(list.Get()), declared);
    Command(ListView::kCommandSortAlphabetically);
    EXPECT_EQ(RowNames(), declared);

    ControlKey('F');
    HWND box = list->View().FilterBox();
    ASSERT_TRUE(Shown(box));
    EXPECT_EQ(GetFocus(), box);
    SetWindowTextW(box, L"OU");
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"Count", L"Outline"}));
    // The box is in the toolbar above the rows' window: a click at its top selects the first row left.
    Click(20, 2);
    EXPECT_EQ(SelectedName(), L"Count");
    Key(VK_ESCAPE, box);
    EXPECT_EQ(RowNames(), declared);
    EXPECT_STREQ(V_BSTR(&ArgumentsOfLast(events::kFilterChanged).at(0).Get()), L"");
}

TEST_F(ListInteractionTest, AValidateHandlerKeepsTheFocusInTheList) {
    SetFocus(window);
    ASSERT_EQ(GetFocus(), window);
    sink->OnEvent([](DISPID id, DISPPARAMS& parameters) {
        if (id == events::kValidate) *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
    });
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(Count(events::kValidate), 1u);
    EXPECT_EQ(GetFocus(), window);
    // Moving inside the list is not leaving it.
    SelectByKeys(L"Caption");
    Key(VK_ESCAPE, EditWith(L"x"));
    EXPECT_EQ(Count(events::kValidate), 1u);
    // Leaving from an editor keeps a value that converts.
    sink->OnEvent(nullptr);
    EditWith(L"Kept");
    SetFocus(container->Window());
    Pump();
    EXPECT_EQ(Count(events::kValidate), 2u);
    EXPECT_EQ(GetFocus(), container->Window());
    EXPECT_STREQ(V_BSTR(&ValueOf(L"Caption").Get()), L"Kept");
}

TEST_F(ListInteractionTest, ARefusalMessageGoesWithItsEditOrWhenTheRowsChange) {
    // Refused from an open editor, or from a paste that leaves no editor behind.
    const struct {
        const char* action;
        bool pasted;
        std::function<void()> act;
    } cases[] = {
        {"focus leaves the list", false, [this] { SetFocus(container->Window()); }},
        {"filled again", false, [this] { Populate(list.Get(), static_cast<ISample*>(sample.Get())); }},
        {"another row selected", true, [this] { Key(VK_DOWN); }},
        {"sorted", true, [this] { Command(ListView::kCommandSortAlphabetically); }},
        {"a value read again", true,
         [this] { ItemNamed(list.Get(), L"Count")->put_Value(ole::Variant(LONG{8}).Get()); }},
    };
    for (const auto& each : cases) {
        SelectByKeys(L"Count");
        SetFocus(window);
        if (each.pasted) {
            Paste(L"many");
        } else {
            Key(VK_RETURN, EditWith(L"abc"));
        }
        ASSERT_TRUE(Shown(list->View().MessageWindow())) << each.action;
        each.act();
        EXPECT_FALSE(Shown(list->View().MessageWindow())) << each.action;
        if (HWND editor = list->View().Editor()) Key(VK_ESCAPE, editor);
    }
}

TEST_F(ListInteractionTest, RefillingReportsEachItemRemovedThenEachItemAdded) {
    const std::vector<std::wstring> names = ItemNames(list.Get());
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    std::vector<std::wstring> removed, added;
    for (const auto& event : sink->Events()) {
        if (event.id == events::kItemRemoved) {
            EXPECT_TRUE(added.empty()) << "every removal comes before the first addition";
            removed.emplace_back(V_BSTR(&event.arguments.at(0).Get()));
        } else if (event.id == events::kItemAdded) {
            added.push_back(ItemNameIn(event.arguments.at(0).Get()));
        }
    }
    EXPECT_EQ(removed, names);
    EXPECT_EQ(added, names);
    EXPECT_LT(PlaceOfLast(events::kItemAdded), PlaceOfLast(events::kAfterPopulate));
}

}  // namespace proplist_tests
