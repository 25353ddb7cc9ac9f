#pragma once

#include "proplist/list_events.h"
#include "tests/doubles/recording_container.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"

#include <oleacc.h>

#include <algorithm>
#include <cstring>

namespace proplist_tests {

namespace events = proplist::events;
using proplist::ListView;

inline bool Shown(HWND window) { return window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE); }

inline std::wstring TextIn(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// Runs what input and timers left in the thread's queue.
inline void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Holds a key down as GetKeyState sees it, for the keys sent while it lives.
struct HeldKey {
    explicit HeldKey(BYTE held, bool down = true) : key(held) { Set(down ? 0x80 : 0); }
    ~HeldKey() { Set(0); }
    void Set(BYTE value) {
        BYTE state[256];
        GetKeyboardState(state);
        state[key] = value;
        SetKeyboardState(state);
    }
    BYTE key;
};

// The list in place in a container, filled from the sample object, with a sink on its events.
class ListWindowTest : public testing::Test {
protected:
    void SetUp() override {
        container->SetPosition({0, 0, 300, 200});
        // The rows have the whole control unless a test is about the description pane.
        ASSERT_EQ(list->put_DescriptionVisible(VARIANT_FALSE), S_OK);
        ASSERT_EQ(list->SetClientSite(container.Get()), S_OK);
        ASSERT_EQ(list->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), nullptr),
                  S_OK);
        window = list->View().Window();
        ASSERT_TRUE(IsWindow(window));
        ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
        support::Advise(list, DIID___Kavella, sink.Get());
        support::Advise(list, IID_IPropertyNotifySink, told.Get());
    }

    void Key(WORD key, HWND target = nullptr) { SendMessageW(target ? target : window, WM_KEYDOWN, key, 1); }
    void ControlKey(WORD key) { const HeldKey control(VK_CONTROL); Key(key); }
    void Click(int x, int y, HWND target = nullptr) {
        SendMessageW(target ? target : window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(target ? target : window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void Command(UINT command) { SendMessageW(window, WM_COMMAND, command, 0); }
    void Paste(const std::wstring& text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
        Command(ListView::kCommandPaste);
    }
    HWND Toggle(LONG order) { return list->View().Toolbar().OrderButton(order); }

    // From now on every handler of that event sets its last argument, the cancel flag.
    void CancelEach(DISPID cancelled) {
        sink->OnEvent([cancelled](DISPID id, DISPPARAMS& parameters) {
            if (id == cancelled) *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
        });
    }


    size_t Count(DISPID id) const {
        return static_cast<size_t>(std::ranges::count(sink->Events(), id, &doubles::EventSink::Event::id));
    }

    // Where the last event of that id came in the order of all events.
    size_t PlaceOfLast(DISPID id) const {
        size_t i = sink->Events().size();
        while (i-- > 0 && sink->Events()[i].id != id) {}
        return i;
    }

    // The arguments of the last event of that id, in natural order (none came: the lookup fails).
    const std::vector<ole::Variant>& ArgumentsOfLast(DISPID id) const {
        return sink->Events().at(PlaceOfLast(id)).arguments;
    }

    HWND Editor() { return list->View().Editor(); }
    bool MessageShown() { return Shown(list->View().MessageWindow()); }

    std::wstring SelectedName() {
        return list->View().Selected() ? list->View().Selected()->Description().name : L"(none)";
    }

    // Selects the item of that name with the keyboard, from the top.
    void SelectByKeys(const std::wstring& name) {
        Key(VK_HOME);
        for (int step = 0; step < 20 && SelectedName() != name; ++step) Key(VK_DOWN);
        ASSERT_EQ(SelectedName(), name);
    }

    // Opens the editor of the selected item with Enter and types `text` into it.
    HWND EditWith(const wchar_t* text) {
        Key(VK_RETURN);
        HWND editor = Editor();
        EXPECT_TRUE(editor && IsWindow(editor));
        if (editor) SetWindowTextW(editor, text);
        return editor;
    }

    ole::Variant ValueOf(const wchar_t* name) { return proplist_tests::ValueOf(list.Get(), name); }

    ole::ComPtr<IAccessible> Accessible() {
        ole::ComPtr<IAccessible> accessible;
        EXPECT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             accessible.PutVoid()), S_OK);
        return accessible;
    }

    // A row as a screen reader reads it: a header as "[name]" ("[+name]" collapsed), an item as its
    // name, "=value" when asked for, and those of `states` it has.
    std::wstring Read(LONG id, bool withValue = false, LONG states = 0) {
        const ole::ComPtr<IAccessible> accessible = Accessible();
        const ole::Variant child(id);
        ole::Bstr name, value;
        ole::Variant state, role;
        if (FAILED(accessible->get_accName(child.Get(), name.Out())) ||
            FAILED(accessible->get_accState(child.Get(), state.Out())) ||
            FAILED(accessible->get_accRole(child.Get(), role.Out()))) {
            return L"failed";
        }
        const LONG has = V_I4(&state.Get());
        if (V_I4(&role.Get()) == ROLE_SYSTEM_OUTLINEITEM) {
            return (has & STATE_SYSTEM_COLLAPSED ? L"[+" : L"[") + std::wstring(name.View()) + L"]";
        }
        std::wstring read(name.View());
        if (withValue && SUCCEEDED(accessible->get_accValue(child.Get(), value.Out()))) {
            read.append(L"=").append(value.View());
        }
        const std::pair<LONG, const wchar_t*> named[] = {{STATE_SYSTEM_READONLY, L" read-only"},
            {STATE_SYSTEM_SELECTED, L" selected"}, {STATE_SYSTEM_FOCUSED, L" focused"},
            {STATE_SYSTEM_EXPANDED, L" expanded"}, {STATE_SYSTEM_COLLAPSED, L" collapsed"}};
        for (const auto& [flag, text] : named) read += (has & states & flag) ? text : L"";
        return read;
    }
    // Every row read, joined by spaces.
    std::wstring ReadAll(bool withValues = false) {
        LONG count = 0;
        EXPECT_EQ(Accessible()->get_accChildCount(&count), S_OK);
        std::wstring all;
        for (LONG id = 1; id <= count; ++id) all += (id > 1 ? L" " : L"") + Read(id, withValues);
        return all;
    }

    ole::ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    ole::ComPtr<SampleObject> sample = SampleObject::Create();
    ole::ComPtr<proplist::KavellaList> list = MakeList();
    ole::ComPtr<doubles::EventSink> sink = doubles::EventSink::Create(DIID___Kavella);
    // Hears the properties the list tells its container it changed.
    ole::ComPtr<doubles::PropertyNotifySink> told = doubles::PropertyNotifySink::Create("container's sink");
    HWND window = nullptr;
};

}  // namespace proplist_tests
