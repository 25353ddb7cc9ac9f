#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

// What drops down under a value being edited: the combo box's list of choices (the colours with
// their swatches) and the calendar of a date. Picking from either commits the edit.
namespace proplist {

using namespace view_support;

namespace {

bool RaiseBeforeDropDown(ListViewHost& host, PropertyItem* item) noexcept {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item)), ole::BooleanReference(&cancel)};
    host.Raise(events::kBeforeDropDown, arguments);
    return cancel == VARIANT_FALSE;
}

void RaiseDropDownClosed(ListViewHost& host, PropertyItem* item) noexcept {
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item))};
    host.Raise(events::kDropDownClosed, arguments);
}

}  // namespace

void ListView::DropDown() noexcept {
    if (!editor_) return;
    if (IsComboBox(editor_)) {
        const bool dropped = SendMessageW(editor_, CB_GETDROPPEDSTATE, 0, 0) != 0;
        SendMessageW(editor_, CB_SHOWDROPDOWN, dropped ? FALSE : TRUE, 0);
    } else if (editing_ && editing_->Description().style == kStyleDate) {
        if (calendar_) CloseCalendar();
        else OpenCalendar();
    }
}

void ListView::DropDownOpened() noexcept {
    if (!editor_ || !editing_) return;
    const ole::ComPtr<PropertyItem> item = editing_;
    if (!RaiseBeforeDropDown(host_, item.Get())) {
        // The list is already on its way: it is closed again at once and nothing is reported.
        choiceWhenDropped_ = kRefusedDropDown;
        PostMessageW(editor_, CB_SHOWDROPDOWN, FALSE, 0);
        return;
    }
    choiceWhenDropped_ = SendMessageW(editor_, CB_GETCURSEL, 0, 0);
}

void ListView::DropDownClosed() noexcept {
    if (!editor_ || !editing_) return;
    if (choiceWhenDropped_ == kRefusedDropDown) {
        choiceWhenDropped_ = CB_ERR;
        return;
    }
    RaiseDropDownClosed(host_, editing_.Get());
    // The combo box settles its selection and text after it tells of the close.
    if (window_) PostMessageW(window_, kMessageDropDownSettled, 0, reinterpret_cast<LPARAM>(editor_));
}

void ListView::DropDownSettled() noexcept {
    if (!editor_ || !editing_) return;
    const LRESULT chosen = SendMessageW(editor_, CB_GETCURSEL, 0, 0);
    const LRESULT before = std::exchange(choiceWhenDropped_, CB_ERR);
    if (chosen == CB_ERR || chosen == before) return;
    if (editing_->Description().style == kStyleColour) {
        const ole::ComPtr<PropertyItem> item = editing_;
        const auto colour = static_cast<LONG>(SendMessageW(editor_, CB_GETITEMDATA, static_cast<WPARAM>(chosen), 0));
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get())), ole::LongArgument(colour)};
        host_.Raise(events::kColourPicked, arguments);
        if (editing_ != item || !editor_) return;
    }
    CommitEdit();
}

void ListView::OpenCalendar() noexcept {
    if (calendar_ || !editor_ || !editing_) return;
    const ole::ComPtr<PropertyItem> item = editing_;
    if (!RaiseBeforeDropDown(host_, item.Get()) || editing_ != item || !editor_) return;
    RECT cell{};
    GetWindowRect(editor_, &cell);
    calendar_ = CreateWindowExW(WS_EX_TOOLWINDOW, MONTHCAL_CLASSW, L"", WS_POPUP | WS_BORDER, cell.left, cell.bottom,
                                0, 0, window_, nullptr, ole::CurrentModule(), nullptr);
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

void ListView::CloseCalendar() noexcept {
    if (!calendar_) return;
    // A click on a day may have given the calendar the focus; it goes back to the editor.
    const bool hadFocus = GetFocus() == calendar_;
    DestroyWindow(std::exchange(calendar_, nullptr));
    if (hadFocus && editor_) SetFocus(editor_);
    if (editing_) RaiseDropDownClosed(host_, editing_.Get());
}

void ListView::DateChosen(const SYSTEMTIME& day) noexcept {
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
    host_.Raise(events::kDateChosen, arguments);
    if (editing_ != item || !editor_) return;
    ole::Variant chosen;
    VARIANT made;
    VariantInit(&made);
    V_VT(&made) = VT_DATE;
    V_DATE(&made) = date;
    chosen = ole::Variant::Attach(made);
    SetWindowTextW(editor_, FormatValue(item->Description(), chosen.Get()).c_str());
    CloseCalendar();
    CommitEdit();
}

void ListView::MeasureChoice(MEASUREITEMSTRUCT& measure) noexcept { measure.itemHeight = static_cast<UINT>(RowHeight()); }

void ListView::FitToRow(HWND combo) noexcept {
    // Sized by asking for a selection field and measuring the result: platforms differ in what
    // a field height includes, so a request is corrected by what it actually gave.
    LRESULT request = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3 && request != CB_ERR; ++attempt) {
        RECT closed{};
        if (!GetWindowRect(combo, &closed)) return;
        const int excess = static_cast<int>(closed.bottom - closed.top) - RowHeight();
        if (excess <= 0 || request - excess < 1) return;
        request -= excess;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
    }
}

void ListView::DrawChoice(const DRAWITEMSTRUCT& draw) noexcept {
    if (draw.itemID == static_cast<UINT>(-1)) return;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT swatch = draw.rcItem;
    InflateRect(&swatch, -2, -2);
    swatch.right = swatch.left + (swatch.bottom - swatch.top) * 3 / 2;
    COLORREF shown = 0;
    if (SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(draw.itemData), nullptr, &shown))) {
        HBRUSH brush = CreateSolidBrush(shown);
        FillRect(draw.hDC, &swatch, brush);
        DeleteObject(brush);
    }
    FrameRect(draw.hDC, &swatch, GetSysColorBrush(COLOR_WINDOWTEXT));
    const LRESULT length = SendMessageW(draw.hwndItem, CB_GETLBTEXTLEN, draw.itemID, 0);
    if (length <= 0) return;
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(draw.hwndItem, CB_GETLBTEXT, draw.itemID, reinterpret_cast<LPARAM>(name.data()));
    name.resize(static_cast<size_t>(length));
    RECT text = draw.rcItem;
    text.left = swatch.right + 4;
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(draw.hDC, name.c_str(), static_cast<int>(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace proplist
