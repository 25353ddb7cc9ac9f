#include "proplist/list_toolbar.h"

#include "ole/type_library.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace proplist {

namespace {

constexpr wchar_t kStripClass[] = L"KavellaToolbar";
// In the order of the orders they stand for.
constexpr const wchar_t* kButtonLabels[] = {L"Object order", L"Alphabetical", L"Categorized"};

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
    // What the toggles and the search box report belongs to the list.
    if (message == WM_COMMAND && toolbar && toolbar->strip_ == window) {
        return SendMessageW(reinterpret_cast<HWND>(GetWindowLongPtrW(window, 0)), message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HRESULT ListToolbar::Create(HWND parent, HWND list, HFONT font) noexcept {
    if (strip_) return S_OK;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &ListToolbar::StripProcedure;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
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
    SetWindowLongPtrW(strip_, 0, reinterpret_cast<LONG_PTR>(list));
    for (size_t i = 0; i < std::size(buttons_); ++i) {
        buttons_[i] = CreateWindowExW(0, WC_BUTTONW, kButtonLabels[i],
                                      WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_CHECKBOX, 0, 0, 0, 0, strip_, nullptr,
                                      ole::CurrentModule(), nullptr);
    }
    search_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0,
                              strip_, nullptr, ole::CurrentModule(), nullptr);
    if (search_) SendMessageW(search_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Search"));
    SetFont(font);
    return search_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void ListToolbar::Destroy() noexcept {
    if (strip_) DestroyWindow(strip_);
    Forget();
}

void ListToolbar::Forget() noexcept {
    strip_ = nullptr;
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
        const int buttonWidth = TextWidth(buttons_[i], font_, kButtonLabels[i]) + 12;
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
    for (LONG each = 0; each < static_cast<LONG>(std::size(buttons_)); ++each) {
        if (!buttons_[each]) continue;
        SendMessageW(buttons_[each], BM_SETCHECK, each == order ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (HWND categorized = OrderButton(2)) EnableWindow(categorized, categoriesAvailable);
}

}  // namespace proplist
