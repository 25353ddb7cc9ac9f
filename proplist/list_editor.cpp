#include "proplist/list_view.h"

#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <commctrl.h>

// The list's in-place editing: an edit box or a drop-down over the selected value, what the
// user typed converted to the item's type, and the message shown when it does not convert.
namespace proplist {

using namespace view_support;

void ListView::BeginEdit() noexcept {
    if (editor_ || !window_ || !host_.IsEnabled()) return;
    PropertyItem* item = Selected();
    if (!item) return;
    const VARIANT itemArgument[] = {events::ObjectArgument(AsDispatch(item))};
    const ItemDescription& description = item->Description();
    if (description.readOnly) {
        host_.Raise(events::kReadOnlyEditAttempt, itemArgument);
        MessageBeep(MB_OK);
        return;
    }
    if (description.style == kStyleCustom) {
        // The list's user edits custom values its own way.
        host_.Raise(events::kButtonClick, itemArgument);
        return;
    }
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT beforeEdit[] = {events::ObjectArgument(AsDispatch(item)), events::BooleanReference(&cancel)};
    host_.Raise(events::kBeforeEdit, beforeEdit);
    if (cancel || item != Selected()) return;
    EnsureVisible(selectedRow_);
    HideMessage();
    const RECT cell = ValueCell(selectedRow_);
    const std::wstring text = FormatValue(description, item->CurrentValue());
    const std::vector<std::wstring> choices = Choices(description);
    HWND editor = nullptr;
    if (!choices.empty()) {
        editor = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                                 cell.left, cell.top, cell.right - cell.left, RowHeight() * 10, window_, nullptr,
                                 ole::CurrentModule(), nullptr);
        if (!editor) return;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
        for (const std::wstring& choice : choices) {
            SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
        }
        SendMessageW(editor, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        editor = CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, cell.left,
                                 cell.top, cell.right - cell.left, cell.bottom - cell.top, window_, nullptr,
                                 ole::CurrentModule(), nullptr);
        if (!editor) return;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
        SendMessageW(editor, EM_SETSEL, 0, -1);
    }
    editor_ = editor;
    editing_ = item;
    originalText_ = WindowText(editor);
    SetWindowSubclass(editor, &ListView::EditorProcedure, kEditorSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetFocus(editor);
}

LRESULT CALLBACK ListView::EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ListView::EditorProcedure, kEditorSubclass);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    auto* view = reinterpret_cast<ListView*>(self);
    const ole::ComPtr<IUnknown> lifeline(view->host_.Lifeline());
    bool handled = false;
    LRESULT result = 0;
    ole::Guarded([&] {
        result = view->HandleEditor(window, message, wParam, lParam, handled);
        return S_OK;
    });
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT ListView::HandleEditor(HWND editor, UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (editor != editor_) return 0;
    switch (message) {
    case WM_GETDLGCODE:
        handled = true;
        return DLGC_WANTALLKEYS | DefSubclassProc(editor, message, wParam, 0);
    case WM_KEYDOWN: {
        SHORT key = RaiseKeyDown(static_cast<SHORT>(wParam));
        if (key != 0) {
            const VARIANT arguments[] = {events::ShortReference(&key), events::ShortArgument(ShiftState())};
            host_.Raise(events::kEditorKeyDown, arguments);
        }
        handled = true;
        switch (key) {
        case 0: return 0;
        case VK_RETURN:
            CommitEdit();
            return 0;
        case VK_ESCAPE:
            CancelEdit();
            return 0;
        case VK_TAB: {
            const bool back = (ShiftState() & 1) != 0;
            if (CommitEdit()) {
                Move(back ? -1 : 1);
                BeginEdit();
            }
            return 0;
        }
        case VK_UP:
        case VK_DOWN:
            // In a drop-down the arrows choose; in an edit box they leave for the next row.
            if (SendMessageW(editor, CB_GETCOUNT, 0, 0) > 0 && GetWindowLongPtrW(editor, GWL_STYLE) & CBS_DROPDOWNLIST) {
                handled = false;
                return 0;
            }
            if (CommitEdit()) Move(key == VK_UP ? -1 : 1);
            return 0;
        default:
            handled = false;
            return 0;
        }
    }
    case WM_CHAR:
        // The keys that end an edit would only beep in the edit box.
        if (wParam == L'\r' || wParam == L'\t' || wParam == 27) {
            handled = true;
            return 0;
        }
        return 0;
    case WM_KILLFOCUS:
        if (!closingEditor_ && reinterpret_cast<HWND>(wParam) != window_) {
            // Focus left the list: keep a value that converts, drop one that does not.
            if (!CommitEdit()) CloseEditor();
        }
        return 0;
    default:
        return 0;
    }
}

bool ListView::CommitEdit() noexcept {
    if (!editor_ || closingEditor_) return true;
    ole::ComPtr<PropertyItem> item = editing_;
    const std::wstring text = WindowText(editor_);
    if (text == originalText_) {
        HideMessage();
        CloseEditor();
        const VARIANT arguments[] = {events::ObjectArgument(AsDispatch(item.Get()))};
        host_.Raise(events::kAfterEdit, arguments);
        return true;
    }
    ole::Variant value;
    std::wstring reason;
    HRESULT parsed = ParseValue(item->Description(), text, value, reason);
    if (SUCCEEDED(parsed)) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT proposed;
        VariantInit(&proposed);
        value.Detach(&proposed);
        const VARIANT arguments[] = {events::ObjectArgument(AsDispatch(item.Get())), events::VariantReference(&proposed),
                                     events::BooleanReference(&cancel)};
        host_.Raise(events::kValidateValue, arguments);
        value = ole::Variant::Attach(proposed);
        if (cancel) {
            parsed = E_ABORT;
            reason = L"'" + text + L"' was refused.";
        }
    }
    if (FAILED(parsed)) {
        ShowMessage(reason);
        const ole::Bstr typed(text), why(reason);
        const VARIANT arguments[] = {events::ObjectArgument(AsDispatch(item.Get())), events::TextArgument(typed.Get()),
                                     events::TextArgument(why.Get())};
        host_.Raise(events::kValueRejected, arguments);
        return false;
    }
    if (FAILED(item->StoreValue(value.Get()))) return false;
    HideMessage();
    CloseEditor();
    IDispatch* changed = AsDispatch(item.Get());
    const VARIANT itemChanged[] = {events::ObjectReference(&changed)};
    host_.Raise(events::kItemChanged, itemChanged);
    const VARIANT afterEdit[] = {events::ObjectArgument(AsDispatch(item.Get()))};
    host_.Raise(events::kAfterEdit, afterEdit);
    return true;
}

void ListView::CancelEdit() noexcept {
    if (!editor_) return;
    ole::ComPtr<PropertyItem> item = editing_;
    HideMessage();
    CloseEditor();
    const VARIANT arguments[] = {events::ObjectArgument(AsDispatch(item.Get()))};
    host_.Raise(events::kEditCancelled, arguments);
}

void ListView::AbandonEdit() noexcept {
    HideMessage();
    CloseEditor();
}

void ListView::CloseEditor() noexcept {
    if (!editor_) return;
    closingEditor_ = true;
    HWND editor = std::exchange(editor_, nullptr);
    const bool hadFocus = GetFocus() == editor;
    ole::ComPtr<PropertyItem> item = std::move(editing_);
    DestroyWindow(editor);
    if (hadFocus && window_) SetFocus(window_);
    closingEditor_ = false;
    Invalidate();
}

void ListView::ShowMessage(const std::wstring& text) noexcept {
    if (!window_) return;
    if (!message_) {
        message_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                                   window_, nullptr, ole::CurrentModule(), nullptr);
        if (!message_) return;
        SendMessageW(message_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
    }
    SetWindowTextW(message_, text.c_str());
    RECT client{};
    GetClientRect(window_, &client);
    const int height = RowHeight();
    int y = selectedRow_ == kNone
                ? 0
                : static_cast<int>(static_cast<long long>(selectedRow_) - static_cast<long long>(top_) + 1) * height;
    if (y + height > client.bottom) y = std::max(0, y - 2 * height);
    SetWindowPos(message_, HWND_TOP, 0, y, client.right, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ListView::HideMessage() noexcept {
    if (message_) ShowWindow(message_, SW_HIDE);
}

}  // namespace proplist
