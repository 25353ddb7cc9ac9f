// The list as a screen reader reads it, through the platform's accessibility entry point.
#include "tests/proplist/list_window_fixture.h"

namespace proplist_tests {

namespace {

std::vector<DWORD> winEvents;  // event * 1000 + child, as the hook saw them

void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) winEvents.push_back(event * 1000 + static_cast<DWORD>(child));
}

}  // namespace

TEST_F(ListWindowTest, AccessibleRowsAreTheVisibleItemsValuedAsShownAndFollowTheKeyboard) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    winEvents.clear();
    SetFocus(window);
    SelectByKeys(L"Count");
    const LONG selectedAndFocused = STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED;
    EXPECT_EQ(Read(2, true, selectedAndFocused) + L" " + Read(1, true, selectedAndFocused),
              L"Count=3 selected focused Caption=Hello");
    const ole::ComPtr<IAccessible> accessible = Accessible();
    ole::Variant focus, hit, selection, next;
    ASSERT_EQ(accessible->get_accFocus(focus.Out()), S_OK);
    ASSERT_EQ(accessible->get_accSelection(selection.Out()), S_OK);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_NEXT, selection.Get(), next.Out()), S_OK);
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(accessible->accLocation(&left, &top, &width, &height, ole::Variant(LONG{2}).Get()), S_OK);
    ASSERT_EQ(accessible->accHitTest(left + width / 2, top + height / 2, hit.Out()), S_OK);
    EXPECT_EQ((std::vector<LONG>{V_I4(&focus.Get()), V_I4(&next.Get()), V_I4(&hit.Get())}),
              (std::vector<LONG>{2, 3, 2}));

    ASSERT_EQ(accessible->accDoDefaultAction(ole::Variant(LONG{3}).Get()), S_OK);
    EXPECT_EQ(SelectedName(), L"Ratio");
    ASSERT_NE(Editor(), nullptr) << "the default action edits";
    SetWindowTextW(Editor(), L"41");
    Key(VK_RETURN, Editor());
    Pump();
    UnhookWinEvent(hook);
    for (const DWORD seen : {EVENT_OBJECT_FOCUS * 1000 + 2, EVENT_OBJECT_SELECTION * 1000 + 3,
                             EVENT_OBJECT_VALUECHANGE * 1000 + 3}) {
        EXPECT_NE(std::find(winEvents.begin(), winEvents.end(), seen), winEvents.end()) << seen;
    }
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_EQ(ReadAll(), L"Caption Ratio Shown Outline BackColor Born Serial Child Values Anything Small");
    std::wstring read;
    for (const LONG id : {1, 4, 5, 7, 8, 11, 12}) read += Read(id, true, STATE_SYSTEM_READONLY) + L";";
    EXPECT_EQ(read, L"Caption=Hello;Outline=Triangle;BackColor=#FF8000;Serial=42 read-only;Child=(Nothing);"
                    L"Small=7;failed;");
    ASSERT_EQ(list->InPlaceDeactivate(), S_OK);
    LONG children = 0;
    EXPECT_EQ(accessible->get_accChildCount(&children), CO_E_OBJNOTCONNECTED) << "the window is gone";
}

}  // namespace proplist_tests
