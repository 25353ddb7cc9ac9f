#include "proplist/list_editor.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <commctrl.h>

#include <utility>

// The editor's life: opened over a value, fed the user's keys, and closed by storing what the
// user typed converted to the item's type, by putting it back, or by showing why it was refused.
namespace proplist {

using namespace view_support;

void InPlaceEditor::Open(PropertyItem& item, const RECT& cell) noexcept {
    if (editor_) return;
    clickOpened_ = false;
    HideMessage();
    HWND editor = Create(item, cell);
    if (!editor) return;
    editor_ = editor;
    editing_ = &item;
    originalText_ = WindowText(editor);
    SetWindowSubclass(editor, &InPlaceEditor::EditorProcedure, kEditorSubclass, reinterpret_cast<DWORD_PTR>(this));
    // A combo box that takes typing keeps the keys and the focus in an edit box of its own.
    if (HWND typing = GetWindow(editor, GW_CHILD)) {
        SetWindowSubclass(typing, &InPlaceEditor::EditorProcedure, kEditorSubclass, reinterpret_cast<DWORD_PTR>(this));
    }
    SetFocus(editor);
}

void InPlaceEditor::MoveTo(const RECT& cell) noexcept {
    if (!editor_) return;
    // A combo box's height is that of its open list.
    MoveWindow(editor_, cell.left, cell.top, cell.right - cell.left,
               IsComboBox(editor_) ? site_.RowHeight() * kDropDownRows : cell.bottom - cell.top, TRUE);
}

LRESULT CALLBACK InPlaceEditor::EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &InPlaceEditor::EditorProcedure, kEditorSubclass);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    auto* editor = reinterpret_cast<InPlaceEditor*>(self);
    const ole::ComPtr<IUnknown> lifeline(editor->site_.Lifeline());
    bool handled = false;
    LRESULT result = 0;
    ole::Guarded([&] {
        result = editor->Handle(window, message, wParam, lParam, handled);
        return S_OK;
    });
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT InPlaceEditor::Handle(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!editor_ || (editor != editor_ && GetParent(editor) != editor_)) return 0;
    switch (message) {
    case WM_GETDLGCODE:
        handled = true;
        return DLGC_WANTALLKEYS | DefSubclassProc(editor, message, wParam, 0);
    case WM_KEYDOWN:
        handled = OnKey(static_cast<SHORT>(wParam));
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN) {
            // Alt+Down opens or closes the list or the calendar, as in a combo box.
            site_.RaiseKeyDown(static_cast<SHORT>(wParam));
            DropDown();
            handled = true;
        }
        return 0;
    case WM_KEYUP: {
        SHORT key = static_cast<SHORT>(wParam);
        const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
        site_.Raise(events::kEditorKeyUp, arguments);
        handled = key == 0;
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        handled = SecondClickChoosesNext();
        return 0;
    case WM_CHAR: return OnChar(editor, static_cast<WPARAM>(wParam), lParam, handled);
    case WM_KILLFOCUS:
        OnLosingFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    default:
        return 0;
    }
}

bool InPlaceEditor::OnKey(SHORT pressed) noexcept {
    SHORT key = site_.RaiseKeyDown(pressed);
    if (key != 0) {
        const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
        site_.Raise(events::kEditorKeyDown, arguments);
    }
    switch (key) {
    case 0: return true;
    case VK_F4: DropDown(); return true;
    case VK_RETURN:
        // Ctrl+Enter is the value button's key: the list settles the edit and presses it.
        if (ShiftState() & 2) return site_.KeyLeavingEditor(key);
        Commit();
        return true;
    case VK_ESCAPE:
        if (calendar_) CloseCalendar();
        else Cancel();
        return true;
    case VK_UP:
    case VK_DOWN:
        // In a drop-down the arrows choose.
        if (editor_ && IsComboBox(editor_)) return false;
        return site_.KeyLeavingEditor(key);
    default: return site_.KeyLeavingEditor(key);
    }
}

LRESULT InPlaceEditor::OnChar(HWND editor, WPARAM character, LPARAM lParam, bool& handled) noexcept {
    // The keys that end an edit would only beep in the edit box.
    if (character == L'\r' || character == L'\t' || character == 27) {
        handled = true;
        return 0;
    }
    SHORT typed = static_cast<SHORT>(character);
    const VARIANT arguments[] = {ole::ShortReference(&typed)};
    site_.Raise(events::kEditorKeyPress, arguments);
    if (typed == 0) {
        handled = true;
    } else if (typed != static_cast<SHORT>(character)) {
        handled = true;
        return DefSubclassProc(editor, WM_CHAR, static_cast<WPARAM>(static_cast<USHORT>(typed)), lParam);
    }
    return 0;
}

void InPlaceEditor::OnLosingFocus(HWND next) noexcept {
    if (closing_ || site_.IsPartOfList(next)) return;
    // Focus left the list: keep a value that converts, drop one that does not.
    losingFocus_ = true;
    if (!Commit()) Close();
    losingFocus_ = false;
    site_.FocusLeaving(next);
}

void InPlaceEditor::OpenedByClick() noexcept {
    if (!editor_) return;
    clickOpened_ = true;
    openedAt_ = static_cast<DWORD>(GetMessageTime());
}

bool InPlaceEditor::SecondClickChoosesNext() noexcept {
    // The click that opened a list of choices and this one make a double-click on the value,
    // which the editor, made in between, would otherwise take for a click of its own.
    const bool doubleClick = std::exchange(clickOpened_, false) &&
                             static_cast<DWORD>(GetMessageTime()) - openedAt_ <= GetDoubleClickTime();
    if (!doubleClick || !editing_ || NextChoice(editing_->Description(), editing_->CurrentValue()).empty()) {
        return false;
    }
    const LRESULT count = SendMessageW(editor_, CB_GETCOUNT, 0, 0);
    const LRESULT current = SendMessageW(editor_, CB_GETCURSEL, 0, 0);
    if (count <= 0) return false;
    SendMessageW(editor_, CB_SETCURSEL, static_cast<WPARAM>(current < 0 ? 0 : (current + 1) % count), 0);
    Commit();
    return true;
}

bool InPlaceEditor::Commit() noexcept {
    if (!editor_ || closing_) return true;
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
    Close();
    if (text != originalText_) RaiseItemChanged(*item.Get());
    const VARIANT afterEdit[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
    site_.Raise(events::kAfterEdit, afterEdit);
    return true;
}

bool InPlaceEditor::AcceptText(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept {
    std::wstring reason;
    const HRESULT parsed = ParseValue(item.Description(), text, value, reason);
    if (SUCCEEDED(parsed)) return AcceptValue(item, text, value);
    Refuse(item, text, parsed, reason);
    return false;
}

bool InPlaceEditor::AcceptValue(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT proposed;
    VariantInit(&proposed);
    value.Detach(&proposed);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(&item)), ole::VariantReference(&proposed),
                                 ole::BooleanReference(&cancel)};
    site_.Raise(events::kValidateValue, arguments);
    value = ole::Variant::Attach(proposed);
    if (!cancel) return true;
    Refuse(item, text, E_ABORT, L"'" + text + L"' was refused.");
    return false;
}

void InPlaceEditor::Refuse(PropertyItem& item, const std::wstring& text, HRESULT failure,
                           const std::wstring& reason) noexcept {
    // The numbers a VB program knows these failures by.
    const LONG number = failure == DISP_E_OVERFLOW ? 6 : failure == DISP_E_TYPEMISMATCH ? 13 : 380;
    std::wstring shown = reason;
    if (RaiseError(number, shown)) ShowMessage(shown);
    const ole::Bstr typed(text), why(reason);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(&item)), ole::TextArgument(typed.Get()),
                                 ole::TextArgument(why.Get())};
    site_.Raise(events::kValueRejected, arguments);
}

bool InPlaceEditor::CommitChosen(PropertyItem& item, ole::Variant value, const std::wstring& text) noexcept {
    const ole::ComPtr<PropertyItem> held(&item);
    if (!AcceptValue(item, text, value) || FAILED(item.StoreEditedValue(value.Get()))) return false;
    HideMessage();
    RaiseItemChanged(item);
    const VARIANT afterEdit[] = {ole::ObjectArgument(AsDispatch(&item))};
    site_.Raise(events::kAfterEdit, afterEdit);
    return true;
}

bool InPlaceEditor::RaiseError(LONG number, std::wstring& description) noexcept {
    ole::Bstr text(description);
    VARIANT_BOOL cancelDisplay = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::LongArgument(number), ole::TextReference(text.InOut()),
                                 ole::BooleanReference(&cancelDisplay)};
    site_.Raise(events::kError, arguments);
    description.assign(text.View());
    return cancelDisplay == VARIANT_FALSE;
}

void InPlaceEditor::RaiseItemChanged(PropertyItem& item) noexcept {
    // In and out: the slot owns a reference, which a handler may release and replace.
    ole::ComPtr<IDispatch> changed(AsDispatch(&item));
    site_.ItemEdited(item);
    const VARIANT arguments[] = {ole::ObjectReference(changed.AddressOf())};
    site_.Raise(events::kItemChanged, arguments);
}

void InPlaceEditor::Cancel() noexcept {
    if (!editor_) return;
    ole::ComPtr<PropertyItem> item = editing_;
    HideMessage();
    Close();
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
    site_.Raise(events::kEditCancelled, arguments);
}

void InPlaceEditor::Abandon() noexcept {
    HideMessage();
    Close();
}

void InPlaceEditor::Close() noexcept {
    if (!editor_) return;
    closing_ = true;
    HWND editor = std::exchange(editor_, nullptr);
    const bool hadFocus = !losingFocus_ && (GetFocus() == editor || IsChild(editor, GetFocus()));
    CloseCalendar();
    ole::ComPtr<PropertyItem> item = std::move(editing_);
    // Why the edit was refused belongs to the edit.
    HideMessage();
    DestroyWindow(editor);
    site_.EditorClosed(hadFocus);
    closing_ = false;
}

void InPlaceEditor::WindowsDestroyed() noexcept {
    editor_ = message_ = calendar_ = nullptr;
    editing_.Reset();
}

void InPlaceEditor::ShowMessage(const std::wstring& text) noexcept {
    HWND list = site_.ListWindow();
    if (!list) return;
    if (!message_) {
        message_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_OWNERDRAW, 0, 0, 0, 0, list, nullptr,
                                   ole::CurrentModule(), nullptr);
        if (!message_) return;
    }
    SetWindowTextW(message_, text.c_str());
    const RECT place = site_.MessagePlace();
    SetWindowPos(message_, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void InPlaceEditor::HideMessage() noexcept {
    if (message_) ShowWindow(message_, SW_HIDE);
}

}  // namespace proplist
