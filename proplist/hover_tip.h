#pragma once

#include <windows.h>

namespace proplist {

// The tip that shows a row's whole text where the row cuts it short: one tracking tooltip owned
// by the list's window, made when first shown and gone with that window.
class HoverTip {
public:
    HoverTip() = default;
    HoverTip(const HoverTip&) = delete;
    HoverTip& operator=(const HoverTip&) = delete;

    // Shows `text` in `font` with its top left corner at `at` (screen coordinates).
    void Show(HWND owner, const wchar_t* text, HFONT font, POINT at) noexcept;
    void Hide() noexcept;
    // The tooltip window, or null before the first tip and after its owner went.
    HWND Window() const noexcept { return window_; }
    // The owner is being destroyed and takes the tooltip with it.
    void OwnerDestroyed() noexcept { window_ = owner_ = nullptr; }

private:
    HWND window_ = nullptr;
    HWND owner_ = nullptr;
};

}  // namespace proplist
