#include "proplist/list_view.h"

#include "ole/arguments.h"
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
    const VARIANT itemArgument[] = {ole::ObjectArgument(AsDispatch(item))};
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
    const VARIANT beforeEdit[] = {ole::ObjectArgument(AsDispatch(item)), ole::BooleanReference(&cancel)};
    host_.Raise(events::kBeforeEdit, beforeEdit);
    if (cancel || item != Selected()) return;
    EnsureVisible(rows_.Selected());
    HideMessage();
    HWND editor = CreateEditor(*item, ValueCell(rows_.Selected()));
    if (!editor) return;
    editor_ = editor;
    editing_ = item;
    originalText_ = WindowText(editor);
    SetWindowSubclass(editor, &ListView::EditorProcedure, kEditorSubclass, reinterpret_cast<DWORD_PTR>(this));
    // A combo box that takes typing keeps the keys and the focus in an edit box of its own.
    if (HWND typing = GetWindow(editor, GW_CHILD)) {
        SetWindowSubclass(typing, &ListView::EditorProcedure, kEditorSubclass, reinterpret_cast<DWORD_PTR>(this));
    }
    SetFocus(editor);
}

HWND ListView::CreateEditor(const PropertyItem& item, const RECT& cell) noexcept {
    const ItemDescription& description = item.Description();
    const std::wstring text = FormatValue(description, item.CurrentValue());
    const std::vector<std::wstring> choices = Choices(description);
    const int width = cell.right - cell.left;
    HWND editor = nullptr;
    if (description.style == kStyleColour) {
        // Typed as text, or picked from a palette drawn with swatches.
        editor = CreateWindowExW(0, L"COMBOBOX", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL |
                                     CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                 cell.left, cell.top, width, RowHeight() * kDropDownRows, window_, nullptr, ole::CurrentModule(),
                                 nullptr);
        if (!editor) return nullptr;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
        FitToRow(editor);
        for (const NamedColour& colour : ColourPalette()) {
            const LRESULT index = SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour.name));
            SendMessageW(editor, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(colour.value));
        }
        SetWindowTextW(editor, text.c_str());
        SendMessageW(editor, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    } else if (!choices.empty()) {
        editor = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                                 cell.left, cell.top, width, RowHeight() * kDropDownRows, window_, nullptr, ole::CurrentModule(),
                                 nullptr);
        if (!editor) return nullptr;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
        FitToRow(editor);
        for (const std::wstring& choice : choices) {
            SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
        }
        SendMessageW(editor, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        editor = CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, cell.left,
                                 cell.top, width, cell.bottom - cell.top, window_, nullptr, ole::CurrentModule(),
                                 nullptr);
        if (!editor) return nullptr;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
        SendMessageW(editor, EM_SETSEL, 0, -1);
    }
    return editor;
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

LRESULT ListView::HandleEditor(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!editor_ || (editor != editor_ && GetParent(editor) != editor_)) return 0;
    switch (message) {
    case WM_GETDLGCODE:
        handled = true;
        return DLGC_WANTALLKEYS | DefSubclassProc(editor, message, wParam, 0);
    case WM_KEYDOWN:
        handled = OnEditorKey(static_cast<SHORT>(wParam));
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN) {
            // Alt+Down opens or closes the list or the calendar, as in a combo box.
            RaiseKeyDown(static_cast<SHORT>(wParam));
            DropDown();
            handled = true;
        }
        return 0;
    case WM_KEYUP: {
        SHORT key = static_cast<SHORT>(wParam);
        const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
        host_.Raise(events::kEditorKeyUp, arguments);
        handled = key == 0;
        return 0;
    }
    case WM_CHAR: return OnEditorChar(editor, static_cast<WPARAM>(wParam), lParam, handled);
    case WM_KILLFOCUS:
        OnEditorLosingFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    default:
        return 0;
    }
}

bool ListView::OnEditorKey(SHORT pressed) noexcept {
    SHORT key = RaiseKeyDown(pressed);
    if (key != 0) {
        const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
        host_.Raise(events::kEditorKeyDown, arguments);
    }
    switch (key) {
    case 0: return true;
    case VK_F4: DropDown(); return true;
    case VK_F1: RequestHelp(); return true;
    case VK_RETURN: CommitEdit(); return true;
    case VK_ESCAPE:
        if (calendar_) CloseCalendar();
        else CancelEdit();
        return true;
    case VK_TAB:
        if (CommitEdit()) {
            Move((ShiftState() & 1) != 0 ? -1 : 1);
            BeginEdit();
        }
        return true;
    case VK_UP:
    case VK_DOWN:
        // In a drop-down the arrows choose; in an edit box they leave for the next row.
        if (IsComboBox(editor_)) return false;
        if (CommitEdit()) Move(key == VK_UP ? -1 : 1);
        return true;
    default: return false;
    }
}

LRESULT ListView::OnEditorChar(HWND editor, WPARAM character, LPARAM lParam, bool& handled) noexcept {
    // The keys that end an edit would only beep in the edit box.
    if (character == L'\r' || character == L'\t' || character == 27) {
        handled = true;
        return 0;
    }
    SHORT typed = static_cast<SHORT>(character);
    const VARIANT arguments[] = {ole::ShortReference(&typed)};
    host_.Raise(events::kEditorKeyPress, arguments);
    if (typed == 0) {
        handled = true;
    } else if (typed != static_cast<SHORT>(character)) {
        handled = true;
        return DefSubclassProc(editor, WM_CHAR, static_cast<WPARAM>(static_cast<USHORT>(typed)), lParam);
    }
    return 0;
}

void ListView::OnEditorLosingFocus(HWND next) noexcept {
    if (closingEditor_ || IsPartOfList(next)) return;
    // Focus left the list: keep a value that converts, drop one that does not.
    losingFocus_ = true;
    if (!CommitEdit()) CloseEditor();
    losingFocus_ = false;
    FocusLeaving(next);
}

bool ListView::CommitEdit() noexcept {
    if (!editor_ || closingEditor_) return true;
    ole::ComPtr<PropertyItem> item = editing_;
    const std::wstring text = WindowText(editor_);
    if (text != originalText_) {
        ole::Variant value;
        if (!AcceptText(*item.Get(), text, value)) return false;
        // A handler may have closed the edit (filled the list again, disabled it): nothing to store.
        if (editing_ != item || !editor_) return true;
        if (FAILED(item->StoreEditedValue(value.Get()))) return false;
    }
    HideMessage();
    CloseEditor();
    if (text != originalText_) RaiseItemChanged(*item.Get());
    const VARIANT afterEdit[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
    host_.Raise(events::kAfterEdit, afterEdit);
    return true;
}

bool ListView::AcceptText(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept {
    std::wstring reason;
    HRESULT parsed = ParseValue(item.Description(), text, value, reason);
    if (SUCCEEDED(parsed)) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT proposed;
        VariantInit(&proposed);
        value.Detach(&proposed);
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(&item)), ole::VariantReference(&proposed),
                                     ole::BooleanReference(&cancel)};
        host_.Raise(events::kValidateValue, arguments);
        value = ole::Variant::Attach(proposed);
        if (!cancel) return true;
        parsed = E_ABORT;
        reason = L"'" + text + L"' was refused.";
    }
    // The numbers a VB program knows these failures by.
    const LONG number = parsed == DISP_E_OVERFLOW ? 6 : parsed == DISP_E_TYPEMISMATCH ? 13 : 380;
    std::wstring shown = reason;
    if (RaiseError(number, shown)) ShowMessage(shown);
    const ole::Bstr typed(text), why(reason);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(&item)), ole::TextArgument(typed.Get()),
                                 ole::TextArgument(why.Get())};
    host_.Raise(events::kValueRejected, arguments);
    return false;
}

void ListView::RaiseItemChanged(PropertyItem& item) noexcept {
    // In and out: the slot owns a reference, which a handler may release and replace.
    ole::ComPtr<IDispatch> changed(AsDispatch(&item));
    const VARIANT arguments[] = {ole::ObjectReference(changed.AddressOf())};
    host_.Raise(events::kItemChanged, arguments);
}

void ListView::CancelEdit() noexcept {
    if (!editor_) return;
    ole::ComPtr<PropertyItem> item = editing_;
    HideMessage();
    CloseEditor();
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
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
    const bool hadFocus = !losingFocus_ && (GetFocus() == editor || IsChild(editor, GetFocus()));
    CloseCalendar();
    ole::ComPtr<PropertyItem> item = std::move(editing_);
    // Why the edit was refused belongs to the edit.
    HideMessage();
    DestroyWindow(editor);
    if (hadFocus && window_) SetFocus(window_);
    closingEditor_ = false;
    Invalidate();
}

void ListView::ShowMessage(const std::wstring& text) noexcept {
    if (!window_) return;
    const size_t selected = rows_.Selected();
    if (!message_) {
        message_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_OWNERDRAW, 0, 0, 0, 0,
                                   window_, nullptr, ole::CurrentModule(), nullptr);
        if (!message_) return;
    }
    SetWindowTextW(message_, text.c_str());
    RECT client{};
    GetClientRect(window_, &client);
    const int height = RowHeight();
    int y = RowsTop() + (selected == kNone ? 0
                                           : static_cast<int>(static_cast<long long>(selected) -
                                                              static_cast<long long>(rows_.Top()) + 1) *
                                                 height);
    if (y + height > client.bottom) y = std::max(RowsTop(), y - 2 * height);
    SetWindowPos(message_, HWND_TOP, 0, y, client.right, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ListView::HideMessage() noexcept {
    if (message_) ShowWindow(message_, SW_HIDE);
}

}  // namespace proplist
