#pragma once

#include <windows.h>

namespace proplist {

// The strip above the rows: three toggles for the order of the rows (the object's own, by
// name, by category) and the search box. It is a sibling of the list's window, so that the rows
// keep their place in it; what its controls report goes to the list's window as WM_COMMAND.
// The toggles are drawn by the strip itself, so that the control's picture shows them as the
// screen does.
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

    // Where Tab (Shift+Tab: `backwards`) goes from `from`: the rows, the toggles that are
    // enabled and the search box, in the order they show, round from the box to the rows.
    // Anything inside the rows' window counts as the rows. Null when there is nowhere else.
    HWND NextStop(HWND from, bool backwards) const noexcept;
    // Whether the strip draws the search box's cue itself: the box is empty, has not the focus,
    // and the edit control draws no cue of its own (it does only as common controls 6).
    bool DrawsCue() const noexcept;
    // Draws the strip, its toggles and its search box into `dc` with the strip's top left at `at`.
    void Print(HDC dc, POINT at) const noexcept;

private:
    // In the order of the orders they stand for.
    static constexpr const wchar_t* kToggleLabels[] = {L"Object order", L"Alphabetical", L"Categorized"};
    static constexpr wchar_t kSearchCue[] = L"Search";

    static LRESULT CALLBACK StripProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ToggleProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK SearchBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR self);
    void DrawButton(const DRAWITEMSTRUCT& draw) const noexcept;
    // Draws a toggle at `place` in `dc`; `pushed` and `focused` as the button is now.
    void DrawToggleAt(HDC dc, const RECT& place, size_t toggle, bool pushed, bool focused) const noexcept;
    void DrawCueInto(HDC dc) const noexcept;
    // The windows went with their parent.
    void Forget() noexcept;

    HWND strip_ = nullptr;
    HWND list_ = nullptr;
    HWND buttons_[3] = {};
    HWND search_ = nullptr;
    HFONT font_ = nullptr;
    LONG checked_ = -1;  // the order whose toggle is down
    bool boxDrawsCue_ = false;
};

}  // namespace proplist
