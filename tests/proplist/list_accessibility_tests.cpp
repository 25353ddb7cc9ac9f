// The list as a screen reader reads it, through the platform's accessibility entry point.
#include "proplist/value_text.h"
#include "tests/proplist/list_window_fixture.h"

#include <oleacc.h>

namespace proplist_tests {

namespace {

std::vector<DWORD> winEvents;  // event * 1000 + child, as the hook saw them

void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) winEvents.push_back(event * 1000 + static_cast<DWORD>(child));
}

}  // namespace

class ListAccessibilityTest : public ListWindowTest {
protected:
    ole::ComPtr<IAccessible> Accessible() {
        ole::ComPtr<IAccessible> accessible;
        EXPECT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             accessible.PutVoid()), S_OK);
        return accessible;
    }

    // A row as a screen reader reads it: "name=value", with the states asked for that it has.
    std::wstring Read(LONG id, LONG states = STATE_SYSTEM_READONLY) {
        const ole::ComPtr<IAccessible> accessible = Accessible();
        const ole::Variant child(id);
        ole::Bstr name, value;
        ole::Variant state;
        if (FAILED(accessible->get_accName(child.Get(), name.Out())) ||
            FAILED(accessible->get_accValue(child.Get(), value.Out())) ||
            FAILED(accessible->get_accState(child.Get(), state.Out()))) {
            return L"failed";
        }
        const LONG has = V_I4(&state.Get()) & states;
        return std::wstring(name.View()) + L"=" + std::wstring(value.View()) +
               (has & STATE_SYSTEM_READONLY ? L" read-only" : L"") +
               (has & STATE_SYSTEM_SELECTED ? L" selected" : L"") + (has & STATE_SYSTEM_FOCUSED ? L" focused" : L"");
    }
};

TEST_F(ListAccessibilityTest, EveryVisibleRowIsAChildNamedForItsPropertyAndValuedAsShown) {
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Visible(VARIANT_FALSE), S_OK);
    LONG children = 0;
    ASSERT_EQ(Accessible()->get_accChildCount(&children), S_OK);
    EXPECT_EQ(children, 12) << "the hidden item is no child";
    const std::pair<LONG, const wchar_t*> rows[] = {
        {1, L"Caption=Hello"}, {7, L"Serial=42 read-only"}, {8, L"Child=(Nothing)"}, {12, L"Small=7"},
        {children + 1, L"failed"}};
    for (const auto& [id, read] : rows) EXPECT_EQ(Read(id), read);
}

TEST_F(ListAccessibilityTest, FocusSelectionHitTestAndTheDefaultActionFollowTheKeyboard) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    winEvents.clear();
    SetFocus(window);
    SelectByKeys(L"Count");
    const LONG selectedAndFocused = STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED;
    EXPECT_EQ(Read(2, selectedAndFocused), L"Count=3 selected focused");
    EXPECT_EQ(Read(1, selectedAndFocused), L"Caption=Hello");
    const ole::ComPtr<IAccessible> accessible = Accessible();
    ole::Variant focus, hit, selection, next;
    ASSERT_EQ(accessible->get_accFocus(focus.Out()), S_OK);
    EXPECT_EQ(V_I4(&focus.Get()), 2);
    ASSERT_EQ(accessible->get_accSelection(selection.Out()), S_OK);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_NEXT, selection.Get(), next.Out()), S_OK);
    EXPECT_EQ(V_I4(&next.Get()), 3);
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(accessible->accLocation(&left, &top, &width, &height, ole::Variant(LONG{2}).Get()), S_OK);
    ASSERT_EQ(accessible->accHitTest(left + width / 2, top + height / 2, hit.Out()), S_OK);
    EXPECT_EQ(V_I4(&hit.Get()), 2);

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
    ASSERT_EQ(list->InPlaceDeactivate(), S_OK);
    LONG children = 0;
    EXPECT_EQ(accessible->get_accChildCount(&children), CO_E_OBJNOTCONNECTED) << "the window is gone";
}

}  // namespace proplist_tests
