#pragma once

#include <windows.h>

namespace proplist {

// How a toggle of the toolbar looks at the moment it is drawn.
struct ToggleLook {
    bool checked = false;  // its order is the rows' order
    bool pushed = false;   // held down by the mouse or a key
    bool enabled = true;
    bool focused = false;
};

// Draws a toggle, face and label, into `dc` over `place`: the toolbar's window paints its
// owner-drawn buttons with it, and the control's picture draws them the same way.
void DrawToggle(HDC dc, const RECT& place, const wchar_t* label, HFONT font, const ToggleLook& look) noexcept;

// Draws the grey cue of an empty search box into `dc` over the box's text area.
void DrawCueText(HDC dc, const RECT& textArea, HFONT font, const wchar_t* cue) noexcept;

}  // namespace proplist
