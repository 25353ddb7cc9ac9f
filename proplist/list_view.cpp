#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace proplist {

using namespace view_support;

namespace {

constexpr wchar_t kWindowClass[] = L"KavellaPropertyList";
constexpr UINT_PTR kParentSubclass = 2;

}  // namespace

ListView::~ListView() {
    if (accessible_) accessible_->Disconnect();
    if (window_) DestroyWindow(window_);
    if (parent_ && IsWindow(parent_)) RemoveWindowSubclass(parent_, &ListView::ParentProcedure, kParentSubclass);
    if (boldFont_) DeleteObject(boldFont_);
}

HRESULT ListView::Place(HWND parent) noexcept {
    if (!parent) return E_INVALIDARG;
    RECT client{};
    GetClientRect(parent, &client);
    if (window_ && GetParent(window_) != parent) DestroyWindow(window_);
    if (parent_ && parent_ != parent && IsWindow(parent_)) {
        RemoveWindowSubclass(parent_, &ListView::ParentProcedure, kParentSubclass);
    }
    if (!window_) {
        // The tooltip and the calendar are the common controls'.
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_DATE_CLASSES};
        InitCommonControlsEx(&classes);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &ListView::WindowProcedure;
        windowClass.hInstance = ole::CurrentModule();
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return HRESULT_FROM_WIN32(GetLastError());
        }
        window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN |
                                  WS_TABSTOP, 0, 0, client.right, client.bottom, parent, nullptr,
                                  ole::CurrentModule(), this);
        if (!window_) return HRESULT_FROM_WIN32(GetLastError());
        EnableWindow(window_, host_.IsEnabled());
        reportedSplit_ = SplitterX(client.right);
        // The control's own window takes the focus when the container activates it; the keys
        // belong to the list.
        parent_ = parent;
        SetWindowSubclass(parent, &ListView::ParentProcedure, kParentSubclass, reinterpret_cast<DWORD_PTR>(this));
    } else {
        MoveWindow(window_, 0, 0, client.right, client.bottom, TRUE);
    }
    UpdateScrollBar();
    return S_OK;
}

int ListView::RowHeight() noexcept {
    if (rowHeight_ > 0) return rowHeight_;
    HDC screen = GetDC(nullptr);
    HFONT font = host_.Font();
    HGDIOBJ previous = SelectObject(screen, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // The text's own height and some air, so rows grow with the font and the screen's DPI; at
    // least the text and a drop-down's borders, so that an open drop-down covers no other row.
    const int air = std::max(6, static_cast<int>(metrics.tmHeight / 3));
    rowHeight_ = std::max(8, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading) + air);
    return rowHeight_;
}

PropertyItem* ListView::ItemAtRow(size_t row) noexcept {
    const std::vector<size_t>& rows = Rows();
    return row < rows.size() ? &host_.Items().At(rows[row]) : nullptr;
}

PropertyItem* ListView::Selected() noexcept {
    Rows();
    return selectedRow_ == kNone ? nullptr : ItemAtRow(selectedRow_);
}

size_t ListView::RowsPerPage() noexcept {
    RECT client{};
    if (window_) GetClientRect(window_, &client);
    return std::max<size_t>(1, static_cast<size_t>(std::max(0, static_cast<int>(client.bottom) - RowsTop()) / RowHeight()));
}

int ListView::SplitterX(int width) const noexcept {
    return std::clamp(static_cast<int>(width * splitRatio_), 16, std::max(16, width - 16));
}

RECT ListView::ValueCell(size_t row) noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    const int y = RowsTop() + static_cast<int>(static_cast<long long>(row) - static_cast<long long>(top_)) * RowHeight();
    return {SplitterX(client.right) + 1, y, client.right, y + RowHeight()};
}

void ListView::PositionEditor() noexcept {
    if (!editor_ || selectedRow_ == kNone) return;
    const RECT cell = ValueCell(selectedRow_);
    // A combo box's height is that of its open list.
    MoveWindow(editor_, cell.left, cell.top, cell.right - cell.left,
               IsComboBox(editor_) ? RowHeight() * kDropDownRows : cell.bottom - cell.top, TRUE);
}

void ListView::Invalidate() noexcept {
    if (window_ && host_.IsRedrawing()) InvalidateRect(window_, nullptr, FALSE);
}

void ListView::UpdateScrollBar() noexcept {
    if (!window_ || !host_.IsRedrawing()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = static_cast<int>(std::min<size_t>(Rows().size(), INT_MAX)) - 1;
    info.nPage = static_cast<UINT>(RowsPerPage());
    info.nPos = static_cast<int>(top_);
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void ListView::ScrollTo(size_t top) noexcept {
    const size_t count = Rows().size();
    const size_t page = RowsPerPage();
    const size_t highest = count > page ? count - page : 0;
    top = std::min(top, highest);
    if (top == top_) return;
    // The editor sits on its row: the view moves only once the edit is settled.
    if (editor_ && !CommitEdit()) return;
    top_ = top;
    UpdateScrollBar();
    Invalidate();
    host_.Raise(events::kScroll);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(ItemAtRow(top_)))};
    host_.Raise(events::kTopItemChanged, arguments);
}

void ListView::EnsureVisible(size_t row) noexcept {
    if (row == kNone) return;
    const size_t page = RowsPerPage();
    if (row < top_) ScrollTo(row);
    else if (row >= top_ + page) ScrollTo(row + 1 - page);
}

void ListView::ItemsReplaced() noexcept {
    // The old rows go first: closing the editor moves the focus, which activates and lays out
    // the list, and that must not reach for rows of items that are gone.
    rowsStale_ = true;
    selectedItem_ = nullptr;
    selectedRow_ = kNone;
    top_ = 0;
    if (editor_) AbandonEdit();
    UpdateScrollBar();
    Invalidate();
}

void ListView::ItemChanged(PropertyItem& item) noexcept {
    HideMessage();
    // Only the selected row's value is news to a screen reader; finding others would cost a walk.
    if (&item == selectedItem_ && selectedRow_ != kNone) NotifyAccessibility(EVENT_OBJECT_VALUECHANGE, selectedRow_);
    if (editor_ && editing_.Get() == &item && !item.IsVisible()) AbandonEdit();
    // Visibility may have changed: the rows are rebuilt when next needed, once for any number
    // of changes, so hiding many items costs one pass.
    rowsStale_ = true;
    if (editor_) {
        Rows();
        PositionEditor();
    }
    Invalidate();
}

void ListView::NotifyAccessibility(DWORD event, size_t row) noexcept {
    if (window_) NotifyWinEvent(event, window_, OBJID_CLIENT, row == kNone ? CHILDID_SELF : static_cast<LONG>(row + 1));
}

void ListView::FontChanged() noexcept {
    rowHeight_ = 0;
    if (boldFont_) DeleteObject(std::exchange(boldFont_, nullptr));
    if (editor_) AbandonEdit();
    // The filter box drew with the old font's handle, which goes with the old font.
    if (filterBox_) SendMessageW(filterBox_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), TRUE);
    if (filterBox_ && window_) {
        RECT client{};
        GetClientRect(window_, &client);
        MoveWindow(filterBox_, 0, 0, client.right, RowsTop(), TRUE);
    }
    UpdateScrollBar();
    Invalidate();
}

void ListView::EnabledChanged() noexcept {
    if (!host_.IsEnabled() && editor_) AbandonEdit();
    if (window_) EnableWindow(window_, host_.IsEnabled());
    Invalidate();
}

void ListView::RedrawResumed() noexcept {
    if (!window_) return;
    UpdateScrollBar();
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

LRESULT CALLBACK ListView::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* view = reinterpret_cast<ListView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (view && view->window_ == window) {
            view->window_ = nullptr;
            view->editor_ = nullptr;
            view->message_ = nullptr;
            view->editing_.Reset();
            // Owned by the list's window, they went with it.
            view->toolTip_ = view->filterBox_ = view->calendar_ = nullptr;
            view->hotItem_.Reset();
            view->trackingMouse_ = false;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!view || view->window_ != window) {
        if (view && !view->window_ && message == WM_CREATE) view->window_ = window;
        if (!view || view->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    }
    const ole::ComPtr<IUnknown> lifeline(view->host_.Lifeline());
    LRESULT result = 0;
    ole::Guarded([&] {
        result = view->Handle(message, wParam, lParam);
        return S_OK;
    });
    return result;
}

LRESULT CALLBACK ListView::ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    auto* view = reinterpret_cast<ListView*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ListView::ParentProcedure, kParentSubclass);
        if (view->parent_ == window) view->parent_ = nullptr;
    } else if (message == WM_SETFOCUS && view->window_ && IsWindowEnabled(view->window_)) {
        SetFocus(view->editor_ ? view->editor_ : view->window_);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT ListView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window_, &paint);
        if (host_.IsRedrawing()) {
            RECT client{};
            GetClientRect(window_, &client);
            // Drawn off screen and copied in one go, so rows do not flicker while scrolling.
            HDC memory = CreateCompatibleDC(dc);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
            HGDIOBJ previous = SelectObject(memory, bitmap);
            RECT rows = client;
            rows.top = std::min(client.bottom, static_cast<LONG>(RowsTop()));
            Draw(memory, rows);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteObject(bitmap);
            DeleteDC(memory);
            ++paintCount_;
        }
        EndPaint(window_, &paint);
        if (host_.IsRedrawing()) host_.Raise(events::kPaint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) != OBJID_CLIENT) return DefWindowProcW(window_, message, wParam, lParam);
        if (!accessible_ && FAILED(ole::MakeObject(accessible_, *this))) return 0;
        return LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(accessible_.Get()));
    case WM_SIZE: {
        RECT client{};
        GetClientRect(window_, &client);
        if (filterBox_) MoveWindow(filterBox_, 0, 0, client.right, RowsTop(), TRUE);
        PositionEditor();
        UpdateScrollBar();
        ScrollTo(top_);
        Invalidate();
        host_.Raise(events::kResize);
        if (SplitterX(client.right) != reportedSplit_) {
            reportedSplit_ = SplitterX(client.right);
            const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(reportedSplit_))};
            host_.Raise(events::kColumnWidthChanged, arguments);
        }
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const SHORT key = RaiseKeyDown(static_cast<SHORT>(wParam));
        if (key != 0 && host_.IsEnabled()) OnKeyDown(key);
        if (message == WM_SYSKEYDOWN) return DefWindowProcW(window_, message, wParam, lParam);
        return 0;
    }
    case WM_KEYUP: {
        SHORT key = static_cast<SHORT>(wParam);
        const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
        host_.Raise(events::kKeyUp, arguments);
        return 0;
    }
    case WM_CHAR: {
        SHORT typed = static_cast<SHORT>(wParam);
        const VARIANT arguments[] = {ole::ShortReference(&typed)};
        host_.Raise(events::kKeyPress, arguments);
        if (typed != 0 && host_.IsEnabled()) OnChar(static_cast<wchar_t>(typed));
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (host_.IsEnabled()) OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEHOVER:
        OnMouseHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_LBUTTONUP: {
        if (draggingSplitter_) {
            draggingSplitter_ = false;
            ReleaseCapture();
            RECT client{};
            GetClientRect(window_, &client);
            const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(SplitterX(client.right)))};
            host_.Raise(events::kSplitterMoved, arguments);
        }
        const VARIANT arguments[] = {ole::ShortArgument(1), ole::ShortArgument(ShiftState()),
                                     ole::FloatArgument(static_cast<float>(GET_X_LPARAM(lParam))),
                                     ole::FloatArgument(static_cast<float>(GET_Y_LPARAM(lParam)))};
        host_.Raise(events::kMouseUp, arguments);
        host_.Raise(events::kClick);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        host_.Raise(events::kDblClick);
        if (PropertyItem* item = Selected()) {
            const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item))};
            host_.Raise(events::kItemDblClick, arguments);
            if (host_.IsEnabled() && !editor_) BeginEdit();
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT at{};
            GetCursorPos(&at);
            ScreenToClient(window_, &at);
            RECT client{};
            GetClientRect(window_, &client);
            if (std::abs(at.x - SplitterX(client.right)) <= 3) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEWE)));
                return TRUE;
            }
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_CONTEXTMENU:
        OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_COMMAND:
        if (lParam == 0) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        if (filterBox_ && reinterpret_cast<HWND>(lParam) == filterBox_ && HIWORD(wParam) == EN_CHANGE) {
            FilterTyped();
            return 0;
        }
        if (editor_ && reinterpret_cast<HWND>(lParam) == editor_ && HIWORD(wParam) == CBN_DROPDOWN) {
            DropDownOpened();
            return 0;
        }
        if (editor_ && reinterpret_cast<HWND>(lParam) == editor_ && HIWORD(wParam) == CBN_CLOSEUP) {
            DropDownClosed();
            return 0;
        }
        if (editor_ && reinterpret_cast<HWND>(lParam) == editor_ &&
            (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_EDITCHANGE) &&
            editing_) {
            const ole::Bstr text(WindowText(editor_));
            const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(editing_.Get())),
                                         ole::TextArgument(text.Get())};
            host_.Raise(events::kEditorChange, arguments);
            return 0;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (calendar_ && header && header->hwndFrom == calendar_ && header->code == MCN_SELECT) {
            DateChosen(reinterpret_cast<const NMSELCHANGE*>(lParam)->stSelStart);
        }
        return 0;
    }
    case WM_MEASUREITEM:
        MeasureChoice(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw.hwndItem == message_) DrawMessage(draw);
        else DrawChoice(draw);
        return TRUE;
    }
    case kMessageDropDownSettled:
        if (editor_ && reinterpret_cast<HWND>(lParam) == editor_) DropDownSettled();
        return 0;
    case kMessageRetakeFocus:
        SetFocus(editor_ ? editor_ : window_);
        return 0;
    case WM_VSCROLL: {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        GetScrollInfo(window_, SB_VERT, &info);
        const size_t page = RowsPerPage();
        size_t top = top_;
        switch (LOWORD(wParam)) {
        case SB_LINEUP: top = top > 0 ? top - 1 : 0; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top = top > page ? top - page : 0; break;
        case SB_PAGEDOWN: top += page; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Rows().size(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = static_cast<size_t>(std::max(0, info.nTrackPos)); break;
        default: break;
        }
        ScrollTo(top);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        const SHORT delta = GET_WHEEL_DELTA_WPARAM(wParam);
        const VARIANT arguments[] = {ole::ShortArgument(delta), ole::ShortArgument(ShiftState())};
        host_.Raise(events::kMouseWheel, arguments);
        const long rows = -3L * delta / WHEEL_DELTA;
        ScrollTo(rows < 0 ? (top_ > static_cast<size_t>(-rows) ? top_ + rows : 0) : top_ + static_cast<size_t>(rows));
        return 0;
    }
    case WM_SETFOCUS:
        NotifyAccessibility(EVENT_OBJECT_FOCUS, Selected() ? selectedRow_ : kNone);
        Invalidate();
        host_.FocusReceived();
        host_.Raise(events::kGotFocus);
        return 0;
    case WM_KILLFOCUS:
        Invalidate();
        host_.Raise(events::kLostFocus);
        FocusLeaving(reinterpret_cast<HWND>(wParam));
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void ListView::FocusLeaving(HWND next) noexcept {
    if (IsPartOfList(next) || !window_) return;
    HideToolTip();
    if (calendar_) CloseCalendar();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::BooleanReference(&cancel)};
    host_.Raise(events::kValidate, arguments);
    // Taking the focus back while it moves would fight the window taking it.
    if (cancel && window_) PostMessageW(window_, kMessageRetakeFocus, 0, 0);
}

bool ListView::IsPartOfList(HWND window) const noexcept {
    // The control's own window hands the focus straight on to the list.
    return window && window_ &&
           (window == window_ || IsChild(window_, window) || window == calendar_ || window == toolTip_ ||
            window == parent_);
}

}  // namespace proplist
