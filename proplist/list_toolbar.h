#pragma once

#include <windows.h>

namespace proplist {

// The strip above the rows: three toggles for the order of the rows (the object's own, by
// name, by category) and the search box. It is a sibling of the list's window, so that the rows
// keep their place in it; what its controls report goes to the list's window as WM_COMMAND.
class ListToolbar {
public:
    ListToolbar() = default;
    ListToolbar(const ListToolbar&) = delete;
    ListToolbar& operator=(const ListToolbar&) = delete;
    ~ListToolbar() { Destroy(); }

    // Makes the strip in `parent`, reporting to `list`.
    HRESULT Create(HWND parent, HWND list, HFONT font) noexcept;
    void Destroy() noexcept;
    // Puts the strip, `height` high, across the top of `area`.
    void Place(const RECT& area, int height) noexcept;
    void SetFont(HFONT font) noexcept;

    HWND Window() const noexcept { return strip_; }
    HWND SearchBox() const noexcept { return search_; }
    // The toggle of an order (0 the object's, 1 by name, 2 by category), or null.
    HWND OrderButton(LONG order) const noexcept;
    // The order a toggle stands for, or -1 when `control` is none of them.
    LONG OrderOf(HWND control) const noexcept;
    // Checks the toggle of `order` alone; the categorized one is offered only with categories.
    void ShowOrder(LONG order, bool categoriesAvailable) noexcept;

private:
    static LRESULT CALLBACK StripProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The windows went with their parent.
    void Forget() noexcept;

    HWND strip_ = nullptr;
    HWND buttons_[3] = {};
    HWND search_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace proplist
