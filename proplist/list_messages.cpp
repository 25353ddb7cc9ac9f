#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

// The list window's messages, each handed to a handler of its own.
namespace proplist {

using namespace view_support;

LRESULT ListView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) != OBJID_CLIENT) break;
        return OnGetAccessible(wParam);
    case WM_SIZE: OnSize(); return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        OnKey(static_cast<SHORT>(wParam));
        if (message == WM_SYSKEYDOWN) break;
        return 0;
    case WM_KEYUP: OnKeyUp(static_cast<SHORT>(wParam)); return 0;
    case WM_CHAR: OnCharMessage(static_cast<SHORT>(wParam)); return 0;
    case WM_LBUTTONDOWN:
        if (host_.IsEnabled()) OnMouseDown(x, y);
        return 0;
    case WM_MOUSEMOVE: OnMouseMove(wParam, x, y); return 0;
    case WM_MOUSEHOVER: OnMouseHover(x, y); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_LBUTTONUP: OnMouseUp(x, y); return 0;
    case WM_LBUTTONDBLCLK:
        if (!OnExpanderDoubleClick(x, y)) OnDoubleClick();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && OnSetCursor()) return TRUE;
        break;
    case WM_CONTEXTMENU: OnContextMenu(x, y); return 0;
    case WM_COMMAND:
        if (OnCommandMessage(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
        break;
    case WM_NOTIFY: OnNotify(reinterpret_cast<const NMHDR*>(lParam)); return 0;
    case WM_MEASUREITEM: OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case InPlaceEditor::kMessageDropDownSettled: editor_.DropDownSettled(reinterpret_cast<HWND>(lParam)); return 0;
    case kMessageRetakeFocus: SetFocus(editor_.IsOpen() ? editor_.Window() : window_); return 0;
    case WM_VSCROLL: OnVerticalScroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_KILLFOCUS: OnKillFocus(reinterpret_cast<HWND>(wParam)); return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void ListView::OnPaint() noexcept {
    rowsInvalid_ = false;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    if (host_.IsRedrawing()) {
        RECT rows{};
        GetClientRect(window_, &rows);
        rows.top = std::min(rows.bottom, static_cast<LONG>(RowsTop()));
        const int split = SplitterX(rows.right);
        rowsDrawn_ = painter_.DrawToWindow(dc, rows, rows_, split, GetFocus() == window_);
        ++paintCount_;
    }
    EndPaint(window_, &paint);
    if (host_.IsRedrawing()) host_.Raise(events::kPaint);
}

LRESULT ListView::OnGetAccessible(WPARAM flags) noexcept {
    if (!accessible_ && FAILED(ole::MakeObject(accessible_, *this))) return 0;
    return LresultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(accessible_.Get()));
}

void ListView::OnSize() noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    PositionEditor();
    UpdateScrollBar();
    ScrollTo(rows_.Top());
    Invalidate();
    host_.Raise(events::kResize);
    if (SplitterX(client.right) != reportedSplit_) {
        reportedSplit_ = SplitterX(client.right);
        const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(reportedSplit_))};
        host_.Raise(events::kColumnWidthChanged, arguments);
    }
}

void ListView::OnKey(SHORT pressed) noexcept {
    const SHORT key = RaiseKeyDown(pressed);
    if (key != 0 && host_.IsEnabled()) OnKeyDown(key);
}

void ListView::OnKeyUp(SHORT key) noexcept {
    const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
    host_.Raise(events::kKeyUp, arguments);
}

void ListView::OnCharMessage(SHORT typed) noexcept {
    const VARIANT arguments[] = {ole::ShortReference(&typed)};
    host_.Raise(events::kKeyPress, arguments);
    if (typed != 0 && host_.IsEnabled()) OnChar(static_cast<wchar_t>(typed));
}

void ListView::OnMouseUp(int x, int y) noexcept {
    if (draggingSplitter_) {
        draggingSplitter_ = false;
        ReleaseCapture();
        RECT client{};
        GetClientRect(window_, &client);
        const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(SplitterX(client.right)))};
        host_.Raise(events::kSplitterMoved, arguments);
    }
    const VARIANT arguments[] = {ole::ShortArgument(1), ole::ShortArgument(ShiftState()),
                                 ole::FloatArgument(static_cast<float>(x)), ole::FloatArgument(static_cast<float>(y))};
    host_.Raise(events::kMouseUp, arguments);
    host_.Raise(events::kClick);
}

void ListView::OnDoubleClick() noexcept {
    host_.Raise(events::kDblClick);
    PropertyItem* item = Selected();
    if (!item) return ToggleGroup(rows_.Selected());
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item))};
    host_.Raise(events::kItemDblClick, arguments);
    // A handler may have changed the items. A Boolean or an enumeration moves on to its next
    // value; others are edited.
    item = Selected();
    if (host_.IsEnabled() && !editor_.IsOpen() && item && !ChooseNextValue(*item)) BeginEdit();
}

bool ListView::OnSetCursor() noexcept {
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(window_, &at);
    RECT client{};
    GetClientRect(window_, &client);
    if (std::abs(at.x - SplitterX(client.right)) > 3) return false;
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEWE)));
    return true;
}

bool ListView::OnCommandMessage(WORD code, WORD command, HWND from) noexcept {
    if (!from) {
        OnCommand(command);
        return true;
    }
    if (filterBox_ && from == filterBox_ && code == EN_CHANGE) {
        FilterTyped();
        return true;
    }
    if (const LONG order = toolbar_.OrderOf(from); order >= 0 && code == BN_CLICKED) {
        SetViewOrder(order);
        // The toggles are the toolbar's buttons: the keys stay with the rows.
        SetFocus(window_);
        return true;
    }
    return editor_.OnCommand(code, from);
}

void ListView::OnNotify(const NMHDR* header) noexcept {
    if (header) editor_.OnNotify(*header);
}

void ListView::OnDrawItem(const DRAWITEMSTRUCT& draw) noexcept {
    if (draw.hwndItem == editor_.MessageWindow()) painter_.DrawMessage(draw);
    else painter_.DrawChoice(draw);
}

void ListView::OnMeasureItem(MEASUREITEMSTRUCT& measure) noexcept {
    measure.itemHeight = static_cast<UINT>(RowHeight());
}

void ListView::OnVerticalScroll(WORD request) noexcept {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(window_, SB_VERT, &info);
    // A dragged thumb left where the rows cannot follow must be put back, whatever was set before.
    scrollBar_.reset();
    const size_t page = RowsPerPage();
    size_t top = rows_.Top();
    switch (request) {
    case SB_LINEUP: top = top > 0 ? top - 1 : 0; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top = top > page ? top - page : 0; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = rows_.Count(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = static_cast<size_t>(std::max(0, info.nTrackPos)); break;
    default: break;
    }
    ScrollTo(top);
}

void ListView::OnMouseWheel(SHORT delta) noexcept {
    const VARIANT arguments[] = {ole::ShortArgument(delta), ole::ShortArgument(ShiftState())};
    host_.Raise(events::kMouseWheel, arguments);
    const long rows = -3L * delta / WHEEL_DELTA;
    const size_t top = rows_.Top();
    ScrollTo(rows < 0 ? (top > static_cast<size_t>(-rows) ? top + rows : 0) : top + static_cast<size_t>(rows));
}

void ListView::OnSetFocus() noexcept {
    NotifyAccessibility(EVENT_OBJECT_FOCUS, rows_.Selected());
    Invalidate();
    host_.FocusReceived();
    host_.Raise(events::kGotFocus);
}

void ListView::OnKillFocus(HWND next) noexcept {
    Invalidate();
    host_.Raise(events::kLostFocus);
    FocusLeaving(next);
}

}  // namespace proplist
