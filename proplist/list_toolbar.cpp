#include "proplist/list_toolbar.h"

#include "ole/type_library.h"
#include "proplist/toolbar_painting.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace proplist {

namespace {

constexpr wchar_t kStripClass[] = L"KavellaToolbar";
constexpr UINT_PTR kToggleSubclass = 4;
constexpr UINT_PTR kSearchBoxSubclass = 5;

int TextWidth(HWND window, HFONT font, const wchar_t* text) noexcept {
    SIZE size{};
    if (HDC dc = GetDC(window)) {
        HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        SelectObject(dc, previous);
        ReleaseDC(window, dc);
    }
    return size.cx;
}

}  // namespace

LRESULT CALLBACK ListToolbar::StripProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* toolbar = reinterpret_cast<ListToolbar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && toolbar && toolbar->strip_ == window) {
        // Gone with the control's window: the handles name nothing now.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        toolbar->Forget();
    }
    if (!toolbar || toolbar->strip_ != window) return DefWindowProcW(window, message, wParam, lParam);
    // What the toggles and the search box report belongs to the list.
    if (message == WM_COMMAND) return SendMessageW(toolbar->list_, message, wParam, lParam);
    if (message == WM_DRAWITEM) {
        toolbar->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HRESULT ListToolbar::Create(HWND parent, HWND list, HFONT font) noexcept {
    if (strip_) return S_OK;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &ListToolbar::StripProcedure;
    windowClass.hInstance = ole::CurrentModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kStripClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    strip_ = CreateWindowExW(0, kStripClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                             nullptr, ole::CurrentModule(), this);
    if (!strip_) return HRESULT_FROM_WIN32(GetLastError());
    list_ = list;
    for (size_t i = 0; i < std::size(buttons_); ++i) {
        buttons_[i] = CreateWindowExW(0, WC_BUTTONW, kToggleLabels[i],
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0, strip_, nullptr,
                                      ole::CurrentModule(), nullptr);
        if (buttons_[i]) {
            SetWindowSubclass(buttons_[i], &ListToolbar::ToggleProcedure, kToggleSubclass,
                              reinterpret_cast<DWORD_PTR>(this));
        }
    }
    search_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                              0, 0, 0, 0, strip_, nullptr, ole::CurrentModule(), nullptr);
    if (search_) {
        // Only the edit control of common controls 6 knows the message; for the others the strip draws it.
        boxDrawsCue_ = SendMessageW(search_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(kSearchCue)) != FALSE;
        SetWindowSubclass(search_, &ListToolbar::SearchBoxProcedure, kSearchBoxSubclass,
                          reinterpret_cast<DWORD_PTR>(this));
    }
    SetFont(font);
    return search_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void ListToolbar::Destroy() noexcept {
    if (strip_) DestroyWindow(strip_);
    Forget();
}

void ListToolbar::Forget() noexcept {
    strip_ = list_ = nullptr;
    std::fill(std::begin(buttons_), std::end(buttons_), nullptr);
    search_ = nullptr;
}

void ListToolbar::Place(const RECT& area, int height) noexcept {
    if (!strip_) return;
    const int width = area.right - area.left;
    MoveWindow(strip_, area.left, area.top, width, height, TRUE);
    int x = 0;
    for (size_t i = 0; i < std::size(buttons_); ++i) {
        if (!buttons_[i]) continue;
        const int buttonWidth = TextWidth(buttons_[i], font_, kToggleLabels[i]) + 12;
        MoveWindow(buttons_[i], x, 0, buttonWidth, height, TRUE);
        x += buttonWidth;
    }
    // The search box takes the rest, and at least enough to type into.
    const int boxWidth = std::max(40, width - x - 2);
    if (search_) MoveWindow(search_, std::min(x + 2, std::max(0, width - boxWidth)), 0, boxWidth, height, TRUE);
}

void ListToolbar::SetFont(HFONT font) noexcept {
    font_ = font;
    const auto handle = reinterpret_cast<WPARAM>(font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    for (HWND button : buttons_) {
        if (button) SendMessageW(button, WM_SETFONT, handle, TRUE);
    }
    if (search_) SendMessageW(search_, WM_SETFONT, handle, TRUE);
}

HWND ListToolbar::OrderButton(LONG order) const noexcept {
    return order >= 0 && order < static_cast<LONG>(std::size(buttons_)) ? buttons_[order] : nullptr;
}

LONG ListToolbar::OrderOf(HWND control) const noexcept {
    if (!control) return -1;
    const auto found = std::find(std::begin(buttons_), std::end(buttons_), control);
    return found == std::end(buttons_) ? -1 : static_cast<LONG>(found - std::begin(buttons_));
}

void ListToolbar::ShowOrder(LONG order, bool categoriesAvailable) noexcept {
    // Every fill shows the order again; each repaint or enabling asked of Windows is a costly
    // call under Wine, so only a change asks for one.
    if (order != checked_) {
        checked_ = order;
        for (HWND button : buttons_) {
            if (button) InvalidateRect(button, nullptr, FALSE);
        }
    }
    HWND categorized = OrderButton(2);
    if (categorized && (IsWindowEnabled(categorized) != FALSE) != categoriesAvailable) {
        EnableWindow(categorized, categoriesAvailable);
    }
}

HWND ListToolbar::NextStop(HWND from, bool backwards) const noexcept {
    const HWND stops[] = {list_, buttons_[0], buttons_[1], buttons_[2], search_};
    constexpr size_t count = std::size(stops);
    size_t at = static_cast<size_t>(std::find(std::begin(stops), std::end(stops), from) - std::begin(stops));
    if (at == count) at = 0;
    for (size_t step = 1; step < count; ++step) {
        const HWND next = stops[(at + (backwards ? count - step : step)) % count];
        const bool shown = next && (GetWindowLongPtrW(next, GWL_STYLE) & WS_VISIBLE);
        if (shown && IsWindowEnabled(next)) return next;
    }
    return nullptr;
}

LRESULT CALLBACK ListToolbar::ToggleProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &ListToolbar::ToggleProcedure, kToggleSubclass);
    // An owner-drawn button keeps no check of its own; the toggle answers as the check box it looks like.
    if (message == BM_GETCHECK) {
        const auto* toolbar = reinterpret_cast<const ListToolbar*>(self);
        return toolbar->OrderOf(window) == toolbar->checked_ ? BST_CHECKED : BST_UNCHECKED;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK ListToolbar::SearchBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR self) {
    const auto* toolbar = reinterpret_cast<const ListToolbar*>(self);
    switch (message) {
    case WM_NCDESTROY: RemoveWindowSubclass(window, &ListToolbar::SearchBoxProcedure, kSearchBoxSubclass); break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The cue comes and goes with the focus.
        if (!toolbar->boxDrawsCue_) InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (!toolbar->DrawsCue()) return result;
        if (message == WM_PRINTCLIENT) {
            toolbar->DrawCueInto(reinterpret_cast<HDC>(wParam));
        } else if (HDC dc = GetDC(window)) {
            toolbar->DrawCueInto(dc);
            ReleaseDC(window, dc);
        }
        return result;
    }
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace proplist
