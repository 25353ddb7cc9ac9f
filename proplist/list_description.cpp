#include "proplist/list_view.h"

#include "ole/hresult.h"
#include "ole/type_library.h"

#include <windowsx.h>

#include <algorithm>

// The description pane's window under the rows: placing it, painting it, dragging the boundary
// between it and the rows, showing and hiding it.
namespace proplist {

namespace {

constexpr wchar_t kPaneClass[] = L"KavellaDescription";

}  // namespace

HWND ListView::DescriptionWindow() const noexcept { return paneWindow_; }

void ListView::SetDescriptionVisible(bool visible) noexcept {
    pane_.SetVisible(visible);
    LayOut();
}

void ListView::SetDescriptionHeight(LONG height) noexcept {
    pane_.SetHeight(height);
    LayOut();
}

void ListView::ToggleDescription() noexcept {
    SetDescriptionVisible(!pane_.Visible());
    host_.UserChangedProperty(kDispidDescriptionVisible);
}

void ListView::LayOut() noexcept {
    if (!window_) return;
    if (HWND parent = GetParent(window_)) Place(parent);
}

int ListView::PaneHeightIn(int height) noexcept { return pane_.LaidOutHeight(height - RowsTop(), RowHeight()); }

void ListView::PlacePane(HWND parent, int top, int width, int height) noexcept {
    if (paneWindow_ && GetParent(paneWindow_) != parent) DestroyWindow(paneWindow_);
    if (height <= 0) {
        if (paneWindow_) ShowWindow(paneWindow_, SW_HIDE);
        return;
    }
    if (paneWindow_) {
        SetWindowPos(paneWindow_, nullptr, 0, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }
    WNDCLASSEXW paneClass{};
    paneClass.cbSize = sizeof(paneClass);
    paneClass.lpfnWndProc = &ListView::PaneProcedure;
    paneClass.hInstance = ole::CurrentModule();
    paneClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    paneClass.lpszClassName = kPaneClass;
    if (!RegisterClassExW(&paneClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    // Without the pane the rows still work: a window that cannot be made is left out.
    CreateWindowExW(0, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, top, width, height, parent,
                    nullptr, ole::CurrentModule(), this);
}

void ListView::InvalidatePane() noexcept {
    if (paneWindow_ && host_.IsRedrawing() && !paneInvalid_) {
        paneInvalid_ = InvalidateRect(paneWindow_, nullptr, FALSE) != FALSE;
    }
}

void ListView::DrawControl(HDC dc, const RECT& bounds) noexcept {
    RECT rowsArea = bounds;
    rowsArea.bottom -= PaneHeightIn(bounds.bottom - bounds.top);
    if (HWND strip = toolbar_.Window()) {
        RECT stripArea{};
        GetClientRect(strip, &stripArea);
        const int height = std::min(static_cast<int>(stripArea.bottom),
                                    static_cast<int>(rowsArea.bottom - rowsArea.top));
        toolbar_.Print(dc, POINT{bounds.left, bounds.top});
        rowsArea.top += height;
    }
    Draw(dc, rowsArea);
    DrawPane(dc, {bounds.left, rowsArea.bottom, bounds.right, bounds.bottom});
}

void ListView::DrawPane(HDC dc, const RECT& area) noexcept {
    if (area.bottom <= area.top) return;
    HFONT font = host_.Font();
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    pane_.Draw(dc, area, Selected(), font, painter_.BoldFont(), host_.IsEnabled());
}

void ListView::OnPanePaint() noexcept {
    paneInvalid_ = false;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(paneWindow_, &paint);
    if (host_.IsRedrawing()) {
        RECT area{};
        GetClientRect(paneWindow_, &area);
        // Drawn off screen and copied, so the text does not flicker as the selection moves.
        HDC buffer = CreateCompatibleDC(dc);
        HBITMAP bitmap = buffer ? CreateCompatibleBitmap(dc, std::max(1L, area.right), std::max(1L, area.bottom))
                                : nullptr;
        if (bitmap) {
            HGDIOBJ previous = SelectObject(buffer, bitmap);
            DrawPane(buffer, area);
            BitBlt(dc, 0, 0, area.right, area.bottom, buffer, 0, 0, SRCCOPY);
            SelectObject(buffer, previous);
            DeleteObject(bitmap);
        } else {
            DrawPane(dc, area);
        }
        if (buffer) DeleteDC(buffer);
    }
    EndPaint(paneWindow_, &paint);
}

void ListView::DragPaneTo(int y) noexcept {
    HWND parent = GetParent(paneWindow_);
    RECT pane{};
    RECT whole{};
    GetClientRect(paneWindow_, &pane);
    GetClientRect(parent, &whole);
    const int least = DescriptionPane::Least(RowHeight());
    const int most = static_cast<int>(whole.bottom) - RowsTop() - RowHeight();
    if (most < least) return;
    const int wanted = static_cast<int>(pane.bottom) - (y - paneGrab_);
    const LONG height = std::clamp(wanted, least, most);
    if (height == pane_.Height()) return;
    SetDescriptionHeight(height);
}

void ListView::EndPaneDrag() noexcept {
    if (!draggingPane_) return;
    draggingPane_ = false;
    if (GetCapture() == paneWindow_) ReleaseCapture();
    if (pane_.Height() != heightBeforeDrag_) host_.UserChangedProperty(kDispidDescriptionHeight);
}

LRESULT ListView::HandlePane(UINT message, WPARAM wParam, LPARAM lParam) {
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_PAINT: OnPanePaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(paneWindow_, &at);
        if (LOWORD(lParam) != HTCLIENT || at.y >= DescriptionPane::kSplitterThickness) break;
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZENS)));
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        if (y >= DescriptionPane::kSplitterThickness || !host_.IsEnabled()) return 0;
        draggingPane_ = true;
        paneGrab_ = y;
        heightBeforeDrag_ = pane_.Height();
        SetCapture(paneWindow_);
        return 0;
    case WM_MOUSEMOVE:
        if (draggingPane_) DragPaneTo(y);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: EndPaneDrag(); return 0;
    case WM_CONTEXTMENU:
        // The pane offers the list's own menu, whose Description item hides it.
        if (window_) SendMessageW(window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_), lParam);
        return 0;
    default: break;
    }
    return DefWindowProcW(paneWindow_, message, wParam, lParam);
}

LRESULT CALLBACK ListView::PaneProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* creating = static_cast<ListView*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
        creating->paneWindow_ = window;
    }
    auto* view = reinterpret_cast<ListView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view || view->paneWindow_ != window) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        view->paneWindow_ = nullptr;
        view->paneInvalid_ = false;
        view->draggingPane_ = false;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const ole::ComPtr<IUnknown> lifeline(view->host_.Lifeline());
    LRESULT result = 0;
    ole::Guarded([&] {
        result = view->HandlePane(message, wParam, lParam);
        return S_OK;
    });
    return result;
}

}  // namespace proplist
