// The list as a screen reader reads it, through the platform's accessibility entry point.
#include "proplist/value_text.h"
#include "tests/proplist/list_window_fixture.h"

#include <oleacc.h>

#include <algorithm>

namespace proplist_tests {

using ole::ComPtr;

namespace {

VARIANT Child(LONG id) { return ole::Variant(id).Get(); }

std::vector<DWORD>& WinEvents() {
    static std::vector<DWORD> events;
    return events;
}

void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) WinEvents().push_back(event * 1000 + static_cast<DWORD>(child));
}

}  // namespace

class ListAccessibilityTest : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        ASSERT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             accessible.PutVoid()),
                  S_OK);
    }

    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*read)(VARIANT, BSTR*), LONG id) {
        ole::Bstr text;
        const HRESULT hr = (accessible.Get()->*read)(Child(id), text.Out());
        return SUCCEEDED(hr) ? std::wstring(text.View()) : L"failed";
    }

    LONG State(LONG id) {
        ole::Variant state;
        EXPECT_EQ(accessible->get_accState(Child(id), state.Out()), S_OK);
        return V_I4(&state.Get());
    }

    ComPtr<IAccessible> accessible;
};

TEST_F(ListAccessibilityTest, EveryVisibleRowIsAChildNamedForItsPropertyAndValuedAsShown) {
    ASSERT_EQ(ItemNamed(list.Get(), L"Count")->put_Visible(VARIANT_FALSE), S_OK);
    LONG children = 0;
    ASSERT_EQ(accessible->get_accChildCount(&children), S_OK);
    ASSERT_EQ(static_cast<size_t>(children), ItemNames(list.Get()).size() - 1) << "the hidden item is no child";
    for (LONG id = 1; id <= children; ++id) {
        const std::wstring name = Text(&IAccessible::get_accName, id);
        ASSERT_NE(name, L"Count");
        auto* item = static_cast<proplist::PropertyItem*>(ItemNamed(list.Get(), name.c_str()).Get());
        EXPECT_EQ(Text(&IAccessible::get_accValue, id), FormatValue(item->Description(), item->CurrentValue()));
        EXPECT_EQ((State(id) & STATE_SYSTEM_READONLY) != 0, item->Description().readOnly) << testing::PrintToString(name);
    }
    ole::Variant beyond;
    EXPECT_EQ(accessible->get_accRole(Child(children + 1), beyond.Out()), E_INVALIDARG);
}

TEST_F(ListAccessibilityTest, FocusSelectionHitTestAndTheDefaultActionFollowTheKeyboard) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    WinEvents().clear();
    SetFocus(window);
    SelectByKeys(L"Caption");
    Key(VK_DOWN);
    const LONG second = 2;
    ole::Variant focus;
    EXPECT_EQ(Text(&IAccessible::get_accName, second), SelectedName());
    ASSERT_EQ(accessible->get_accFocus(focus.Out()), S_OK);
    EXPECT_EQ(V_I4(&focus.Get()), second);
    EXPECT_EQ(State(second) & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED), STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
    ole::Variant selection, next;
    ASSERT_EQ(accessible->get_accSelection(selection.Out()), S_OK);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_NEXT, selection.Get(), next.Out()), S_OK);
    EXPECT_EQ(V_I4(&next.Get()), second + 1);

    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(accessible->accLocation(&left, &top, &width, &height, Child(second)), S_OK);
    ole::Variant hit;
    ASSERT_EQ(accessible->accHitTest(left + width / 2, top + height / 2, hit.Out()), S_OK);
    EXPECT_EQ(V_I4(&hit.Get()), second);

    ASSERT_EQ(accessible->accDoDefaultAction(Child(3)), S_OK);
    EXPECT_EQ(SelectedName(), Text(&IAccessible::get_accName, 3));
    ASSERT_NE(list->View().Editor(), nullptr) << "the default action edits";
    SetWindowTextW(list->View().Editor(), L"41");
    Key(VK_RETURN, list->View().Editor());
    Pump();
    UnhookWinEvent(hook);
    const auto seen = [](DWORD event, LONG child) {
        return std::count(WinEvents().begin(), WinEvents().end(), event * 1000 + static_cast<DWORD>(child)) > 0;
    };
    EXPECT_TRUE(seen(EVENT_OBJECT_FOCUS, second));
    EXPECT_TRUE(seen(EVENT_OBJECT_SELECTION, 3));
    EXPECT_TRUE(seen(EVENT_OBJECT_VALUECHANGE, 3));

    ASSERT_EQ(list->InPlaceDeactivate(), S_OK);
    LONG children = 0;
    EXPECT_EQ(accessible->get_accChildCount(&children), CO_E_OBJNOTCONNECTED) << "the window is gone";
}

}  // namespace proplist_tests
