#include "proplist/list_editor.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <commctrl.h>

#include <cmath>
#include <utility>
#include <vector>

// What the editor is made of and what drops down under it: an edit box, the combo box of
// choices (the colours with their swatches), and the calendar of a date. Picking from either
// commits the edit.
namespace proplist {

using namespace view_support;

namespace {

bool RaiseBeforeDropDown(EditorSite& site, PropertyItem* item) noexcept {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item)), ole::BooleanReference(&cancel)};
    site.Raise(events::kBeforeDropDown, arguments);
    return cancel == VARIANT_FALSE;
}

void RaiseDropDownClosed(EditorSite& site, PropertyItem* item) noexcept {
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item))};
    site.Raise(events::kDropDownClosed, arguments);
}

}  // namespace

HWND InPlaceEditor::Create(const PropertyItem& item, const RECT& cell) noexcept {
    const ItemDescription& description = item.Description();
    const std::wstring text = FormatValue(description, item.CurrentValue());
    if (description.style == kStyleColour) return CreateColourPicker(text, cell);
    const std::vector<std::wstring> choices = Choices(description);
    if (!choices.empty()) return CreateChoiceList(text, cell, choices);
    HWND editor = CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, cell.left,
                                  cell.top, cell.right - cell.left, cell.bottom - cell.top, site_.ListWindow(),
                                  nullptr, ole::CurrentModule(), nullptr);
    if (!editor) return nullptr;
    SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font()), FALSE);
    SendMessageW(editor, EM_SETSEL, 0, -1);
    return editor;
}

HWND InPlaceEditor::CreateColourPicker(const std::wstring& text, const RECT& cell) noexcept {
    // Typed as text, or picked from a palette drawn with swatches.
    HWND editor = CreateComboBox(CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, cell);
    if (!editor) return nullptr;
    for (const NamedColour& colour : ColourPalette()) {
        const LRESULT index = SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour.name));
        SendMessageW(editor, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(colour.value));
    }
    SetWindowTextW(editor, text.c_str());
    SendMessageW(editor, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return editor;
}

HWND InPlaceEditor::CreateChoiceList(const std::wstring& text, const RECT& cell,
                                     const std::vector<std::wstring>& choices) noexcept {
    HWND editor = CreateComboBox(CBS_DROPDOWNLIST, cell);
    if (!editor) return nullptr;
    for (const std::wstring& choice : choices) {
        SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
    }
    // The whole text: a choice may begin with another ("Large", "Large print").
    const LRESULT current =
        SendMessageW(editor, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(editor, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
    return editor;
}

HWND InPlaceEditor::CreateComboBox(DWORD style, const RECT& cell) noexcept {
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, cell.left, cell.top,
                                 cell.right - cell.left, site_.RowHeight() * kDropDownRows, site_.ListWindow(),
                                 nullptr, ole::CurrentModule(), nullptr);
    if (!combo) return nullptr;
    SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font()), FALSE);
    FitToRow(combo);
    return combo;
}

void InPlaceEditor::DropDown() noexcept {
    if (!editor_) return;
    if (IsComboBox(editor_)) {
        const bool dropped = SendMessageW(editor_, CB_GETDROPPEDSTATE, 0, 0) != 0;
        SendMessageW(editor_, CB_SHOWDROPDOWN, dropped ? FALSE : TRUE, 0);
    } else if (editing_ && editing_->Description().style == kStyleDate) {
        if (calendar_) CloseCalendar();
        else OpenCalendar();
    }
}

bool InPlaceEditor::OnCommand(WORD code, HWND from) noexcept {
    if (!editor_ || from != editor_) return false;
    switch (code) {
    case CBN_DROPDOWN: DropDownOpened(); return true;
    case CBN_CLOSEUP: DropDownClosed(); return true;
    case EN_CHANGE:
    case CBN_SELCHANGE:
    case CBN_EDITCHANGE: {
        if (!editing_) return false;
        const ole::Bstr text(WindowText(editor_));
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(editing_.Get())), ole::TextArgument(text.Get())};
        site_.Raise(events::kEditorChange, arguments);
        return true;
    }
    default: return false;
    }
}

void InPlaceEditor::OnNotify(const NMHDR& header) noexcept {
    if (calendar_ && header.hwndFrom == calendar_ && header.code == MCN_SELECT) {
        DateChosen(reinterpret_cast<const NMSELCHANGE*>(&header)->stSelStart);
    }
}

void InPlaceEditor::DropDownOpened() noexcept {
    if (!editor_ || !editing_) return;
    const ole::ComPtr<PropertyItem> item = editing_;
    if (!RaiseBeforeDropDown(site_, item.Get())) {
        // The list is already on its way: it is closed again at once and nothing is reported.
        choiceWhenDropped_ = kRefusedDropDown;
        PostMessageW(editor_, CB_SHOWDROPDOWN, FALSE, 0);
        return;
    }
    choiceWhenDropped_ = SendMessageW(editor_, CB_GETCURSEL, 0, 0);
}

void InPlaceEditor::DropDownClosed() noexcept {
    if (!editor_ || !editing_) return;
    if (choiceWhenDropped_ == kRefusedDropDown) {
        choiceWhenDropped_ = CB_ERR;
        return;
    }
    RaiseDropDownClosed(site_, editing_.Get());
    // The combo box settles its selection and text after it tells of the close.
    if (HWND list = site_.ListWindow()) {
        PostMessageW(list, kMessageDropDownSettled, 0, reinterpret_cast<LPARAM>(editor_));
    }
}

void InPlaceEditor::DropDownSettled(HWND from) noexcept {
    if (!editor_ || from != editor_ || !editing_) return;
    const LRESULT chosen = SendMessageW(editor_, CB_GETCURSEL, 0, 0);
    const LRESULT before = std::exchange(choiceWhenDropped_, CB_ERR);
    if (chosen == CB_ERR || chosen == before) return;
    if (editing_->Description().style == kStyleColour) {
        const ole::ComPtr<PropertyItem> item = editing_;
        const auto colour = static_cast<LONG>(SendMessageW(editor_, CB_GETITEMDATA, static_cast<WPARAM>(chosen), 0));
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get())), ole::LongArgument(colour)};
        site_.Raise(events::kColourPicked, arguments);
        if (editing_ != item || !editor_) return;
    }
    Commit();
}

void InPlaceEditor::OpenCalendar() noexcept {
    if (calendar_ || !editor_ || !editing_) return;
    const ole::ComPtr<PropertyItem> item = editing_;
    if (!RaiseBeforeDropDown(site_, item.Get()) || editing_ != item || !editor_) return;
    RECT cell{};
    GetWindowRect(editor_, &cell);
    calendar_ = CreateWindowExW(WS_EX_TOOLWINDOW, MONTHCAL_CLASSW, L"", WS_POPUP | WS_BORDER, cell.left, cell.bottom,
                                0, 0, site_.ListWindow(), nullptr, ole::CurrentModule(), nullptr);
    if (!calendar_) return;
    RECT size{};
    SendMessageW(calendar_, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&size));
    // Open on the date in the editor, or else on the item's.
    ole::Variant shown;
    std::wstring ignored;
    SYSTEMTIME day{};
    if (SUCCEEDED(ParseValue(item->Description(), WindowText(editor_), shown, ignored)) &&
        VariantTimeToSystemTime(V_DATE(&shown.Get()), &day)) {
        SendMessageW(calendar_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
    }
    SetWindowPos(calendar_, HWND_TOP, cell.left, cell.bottom, size.right - size.left, size.bottom - size.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void InPlaceEditor::CloseCalendar() noexcept {
    if (!calendar_) return;
    // A click on a day may have given the calendar the focus; it goes back to the editor.
    const bool hadFocus = GetFocus() == calendar_;
    DestroyWindow(std::exchange(calendar_, nullptr));
    if (hadFocus && editor_) SetFocus(editor_);
    if (editing_) RaiseDropDownClosed(site_, editing_.Get());
}

void InPlaceEditor::DateChosen(const SYSTEMTIME& day) noexcept {
    if (!editor_ || !editing_) return;
    const ole::ComPtr<PropertyItem> item = editing_;
    // The day is the user's; the time of day stays what it was.
    double date = 0;
    SYSTEMTIME midnight = day;
    midnight.wHour = midnight.wMinute = midnight.wSecond = midnight.wMilliseconds = 0;
    if (!SystemTimeToVariantTime(&midnight, &date)) return;
    ole::Variant current;
    if (SUCCEEDED(ole::ChangeType(current, item->CurrentValue(), VT_DATE))) {
        double whole = 0;
        date += std::fabs(std::modf(V_DATE(&current.Get()), &whole));
    }
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get())), ole::DateArgument(date)};
    site_.Raise(events::kDateChosen, arguments);
    if (editing_ != item || !editor_) return;
    ole::Variant chosen;
    VARIANT made;
    VariantInit(&made);
    V_VT(&made) = VT_DATE;
    V_DATE(&made) = date;
    chosen = ole::Variant::Attach(made);
    SetWindowTextW(editor_, FormatValue(item->Description(), chosen.Get()).c_str());
    CloseCalendar();
    Commit();
}

void InPlaceEditor::FitToRow(HWND combo) noexcept {
    // Sized by asking for a selection field and measuring the result: platforms differ in what
    // a field height includes, so a request is corrected by what it actually gave.
    LRESULT request = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3 && request != CB_ERR; ++attempt) {
        RECT closed{};
        if (!GetWindowRect(combo, &closed)) return;
        const int excess = static_cast<int>(closed.bottom - closed.top) - site_.RowHeight();
        if (excess <= 0 || request - excess < 1) return;
        request -= excess;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
    }
}

}  // namespace proplist
