#pragma once

#include "proplist/list_events.h"
#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_sinks.h"
#include "tests/proplist/list_helpers.h"
#include "tests/proplist/sample_objects.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace proplist_tests {

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
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        ASSERT_EQ(list->FindConnectionPoint(DIID___Kavella, point.Put()), S_OK);
        ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
    }

    void TearDown() override {
        if (point) point->Unadvise(cookie);
        list->Close(OLECLOSE_NOSAVE);
        list->SetClientSite(nullptr);
    }

    void Key(WORD key, HWND target = nullptr) { SendMessageW(target ? target : window, WM_KEYDOWN, key, 1); }

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

    void Click(int x, int y, HWND target = nullptr) {
        SendMessageW(target ? target : window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(target ? target : window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    void Command(UINT command) { SendMessageW(window, WM_COMMAND, command, 0); }

    // From now on every handler of that event sets its last argument, the cancel flag.
    void CancelEach(DISPID cancelled) {
        sink->OnEvent([cancelled](DISPID id, DISPPARAMS& parameters) {
            if (id == cancelled) *V_BOOLREF(&parameters.rgvarg[0]) = VARIANT_TRUE;
        });
    }

    size_t Count(DISPID id) const {
        return static_cast<size_t>(std::count_if(sink->Events().begin(), sink->Events().end(),
                                                 [&](const auto& event) { return event.id == id; }));
    }

    // Where the last event of that id came in the order of all events.
    size_t PlaceOfLast(DISPID id) const {
        for (size_t i = sink->Events().size(); i-- > 0;) {
            if (sink->Events()[i].id == id) return i;
        }
        return SIZE_MAX;
    }

    // The arguments of the last event of that id, in natural order (none came: the lookup fails).
    const std::vector<ole::Variant>& ArgumentsOfLast(DISPID id) const {
        return sink->Events().at(PlaceOfLast(id)).arguments;
    }

    HWND Editor() { return list->View().Editor(); }
    bool MessageShown() { return Shown(list->View().MessageWindow()); }

    std::wstring SelectedName() {
        proplist::PropertyItem* item = list->View().Selected();
        return item ? item->Description().name : L"(none)";
    }

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

    ole::Variant ValueOf(const wchar_t* name) {
        ole::Variant value;
        EXPECT_EQ(ItemNamed(list.Get(), name)->get_Value(value.Out()), S_OK);
        return value;
    }

    ole::ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    ole::ComPtr<SampleObject> sample = SampleObject::Create();
    ole::ComPtr<proplist::KavellaList> list = MakeList();
    ole::ComPtr<doubles::EventSink> sink = doubles::EventSink::Create(DIID___Kavella);
    ole::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    HWND window = nullptr;
};

}  // namespace proplist_tests
