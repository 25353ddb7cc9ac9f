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
    if (paneWindow_) DestroyWindow(paneWindow_);
    if (parent_ && IsWindow(parent_)) RemoveWindowSubclass(parent_, &ListView::ParentProcedure, kParentSubclass);
}

HRESULT ListView::Place(HWND parent) noexcept {
    if (!parent) return E_INVALIDARG;
    RECT client{};
    GetClientRect(parent, &client);
    const int paneHeight = PaneHeightIn(client.bottom);
    client.bottom -= paneHeight;
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
        CreateToolbar(parent);
    }
    LayOut(client);
    PlacePane(parent, client.bottom, client.right, paneHeight);
    UpdateScrollBar();
    return S_OK;
}

PropertyItem* ListView::Selected() noexcept { return rows_.SelectedItem(); }

void ListView::Draw(HDC dc, const RECT& bounds) noexcept {
    const int split = bounds.left + SplitterX(bounds.right - bounds.left);
    const bool focused = window_ && GetFocus() == window_;
    rowsDrawn_ = painter_.Draw(dc, bounds, rows_, split, focused);
}

size_t ListView::RowsPerPage() noexcept {
    RECT client{};
    if (window_) GetClientRect(window_, &client);
    const int rowsHeight = std::max(0, static_cast<int>(client.bottom) - RowsTop());
    return std::max<size_t>(1, static_cast<size_t>(rowsHeight / RowHeight()));
}

int ListView::SplitterX(int width) const noexcept {
    return std::clamp(static_cast<int>(width * splitRatio_), 16, std::max(16, width - 16));
}

RECT ListView::ValueCell(size_t row) noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    const long long fromTop = static_cast<long long>(row) - static_cast<long long>(rows_.Top());
    const int y = RowsTop() + static_cast<int>(fromTop) * RowHeight();
    return {SplitterX(client.right) + 1, y, client.right, y + RowHeight()};
}

void ListView::PositionEditor() noexcept {
    if (editor_.IsOpen() && rows_.Selected() != kNone) editor_.MoveTo(EditorCell(rows_.Selected()));
}

void ListView::Invalidate() noexcept {
    if (window_ && host_.IsRedrawing() && !rowsInvalid_) {
        rowsInvalid_ = InvalidateRect(window_, nullptr, FALSE) != FALSE;
    }
    InvalidatePane();
}

void ListView::UpdateScrollBar() noexcept {
    if (!window_ || !host_.IsRedrawing()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = static_cast<int>(std::min<size_t>(rows_.Count(), INT_MAX)) - 1;
    info.nPage = static_cast<UINT>(RowsPerPage());
    info.nPos = static_cast<int>(rows_.Top());
    // SetScrollInfo redraws the bar even when nothing changed, which under Wine costs more than
    // the whole refresh that asks for it: the bar is told only what is new.
    const SCROLLINFO* told = scrollBar_ ? &*scrollBar_ : nullptr;
    if (told && info.nMax == told->nMax && info.nPage == told->nPage && info.nPos == told->nPos) return;
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
    scrollBar_ = info;
}

void ListView::ScrollTo(size_t top) noexcept {
    top = rows_.ClampTop(top, RowsPerPage());
    if (top == rows_.Top()) return;
    // The editor sits on its row: the view moves only once the edit is settled.
    if (!CommitEdit()) return;
    rows_.SetTop(top);
    UpdateScrollBar();
    Invalidate();
    host_.Raise(events::kScroll);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(ItemAtRow(rows_.Top())))};
    host_.Raise(events::kTopItemChanged, arguments);
}

void ListView::EnsureVisible(size_t row) noexcept {
    if (row != kNone) ScrollTo(rows_.TopShowing(row, RowsPerPage()));
}

void ListView::ItemsReplaced() noexcept {
    // The old rows go first: closing the editor moves the focus, which activates and lays out
    // the list, and that must not reach for rows of items that are gone.
    rows_.Reset();
    if (editor_.IsOpen()) AbandonEdit();
    ShowViewOrder();
    UpdateScrollBar();
    Invalidate();
}

void ListView::ItemChanged(PropertyItem& item) noexcept {
    editor_.HideMessage();
    // Only the selected row's value is news to a screen reader; finding others would cost a walk.
    if (rows_.HoldsSelection(item)) NotifyAccessibility(EVENT_OBJECT_VALUECHANGE, rows_.Selected());
    if (editor_.IsEditing(item) && !item.IsVisible()) AbandonEdit();
    // Visibility may have changed: the rows are rebuilt when next needed, once for any number
    // of changes, so hiding many items costs one pass. The rows of an object the item no longer
    // holds go now, and an editor on one of them (the selection moved up to the item) with them.
    if (rows_.ItemChanged(item) && editor_.IsOpen() && rows_.HoldsSelection(item) && !editor_.IsEditing(item)) {
        AbandonEdit();
    }
    PositionEditor();
    Invalidate();
}

void ListView::NotifyAccessibility(DWORD event, size_t row) noexcept {
    if (window_) NotifyWinEvent(event, window_, OBJID_CLIENT, row == kNone ? CHILDID_SELF : static_cast<LONG>(row + 1));
}

void ListView::FontChanged() noexcept {
    painter_.FontChanged();
    if (editor_.IsOpen()) AbandonEdit();
    // The toolbar drew with the old font's handle, which goes with the old font, and grows with
    // the new one as the rows do.
    toolbar_.SetFont(host_.Font());
    LayOut();  // the toolbar's and the pane's least heights follow the rows'
    UpdateScrollBar();
    Invalidate();
}

void ListView::EnabledChanged() noexcept {
    if (!host_.IsEnabled() && editor_.IsOpen()) AbandonEdit();
    if (window_) EnableWindow(window_, host_.IsEnabled());
    Invalidate();
}

void ListView::RedrawResumed() noexcept {
    if (!window_) return;
    UpdateScrollBar();
    // Painted with the next messages, not now: whoever turned painting back on usually has more to
    // change first (a refresh reads the values next), and the window is painted once, all done.
    Invalidate();
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
            view->rowsInvalid_ = false;
            view->scrollBar_.reset();
            // Owned by the list's window, they went with it.
            view->editor_.WindowsDestroyed();
            view->toolTip_.OwnerDestroyed();
            view->toolbar_.Destroy();
            view->filterBox_ = nullptr;
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
        SetFocus(view->editor_.IsOpen() ? view->editor_.Window() : view->window_);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void ListView::FocusLeaving(HWND next) noexcept {
    if (IsPartOfList(next) || !window_) return;
    HideToolTip();
    editor_.CloseCalendar();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::BooleanReference(&cancel)};
    host_.Raise(events::kValidate, arguments);
    // Taking the focus back while it moves would fight the window taking it.
    if (cancel && window_) PostMessageW(window_, kMessageRetakeFocus, 0, 0);
}

bool ListView::IsPartOfList(HWND window) const noexcept {
    // The control's own window hands the focus straight on to the list.
    return window && window_ &&
           (window == window_ || IsChild(window_, window) || IsChild(toolbar_.Window(), window) ||
            window == editor_.Calendar() ||
            window == toolTip_.Window() || window == parent_);
}

}  // namespace proplist
