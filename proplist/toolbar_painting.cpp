#include "proplist/toolbar_painting.h"

#include "proplist/list_toolbar.h"

#include <algorithm>
#include <iterator>

namespace proplist {

namespace {

HGDIOBJ FontOrDefault(HFONT font) noexcept {
    return font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
}

// Where `child` sits in its parent's client area.
RECT PlaceInParent(HWND child) noexcept {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

}  // namespace

void DrawToggle(HDC dc, const RECT& place, const wchar_t* label, HFONT font, const ToggleLook& look) noexcept {
    RECT face = place;
    UINT state = DFCS_BUTTONPUSH;
    if (look.checked) state |= DFCS_CHECKED;
    if (look.pushed) state |= DFCS_PUSHED;
    if (!look.enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &face, DFC_BUTTON, state);
    // A toggle that is down shows its label moved down and right, as a pressed button does.
    RECT text = place;
    if (look.checked || look.pushed) OffsetRect(&text, 1, 1);
    const int saved = SaveDC(dc);
    SelectObject(dc, FontOrDefault(font));
    SetBkMode(dc, TRANSPARENT);
    constexpr UINT kCentred = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX;
    if (!look.enabled) {
        // Greyed as the system greys a button's text: a light copy under the grey one.
        RECT shadow = text;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(dc, label, -1, &shadow, kCentred);
    }
    SetTextColor(dc, GetSysColor(look.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, label, -1, &text, kCentred);
    RestoreDC(dc, saved);
    if (look.focused) {
        RECT focus = place;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void DrawCueText(HDC dc, const RECT& textArea, HFONT font, const wchar_t* cue) noexcept {
    const int saved = SaveDC(dc);
    SelectObject(dc, FontOrDefault(font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    RECT area = textArea;
    DrawTextW(dc, cue, -1, &area, DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX | DT_END_ELLIPSIS);
    RestoreDC(dc, saved);
}

void ListToolbar::DrawToggleAt(HDC dc, const RECT& place, size_t toggle, bool pushed, bool focused) const noexcept {
    ToggleLook look;
    look.checked = static_cast<LONG>(toggle) == checked_;
    look.pushed = pushed;
    look.enabled = IsWindowEnabled(buttons_[toggle]) != FALSE;
    look.focused = focused;
    DrawToggle(dc, place, kToggleLabels[toggle], font_, look);
}

void ListToolbar::DrawButton(const DRAWITEMSTRUCT& draw) const noexcept {
    const LONG toggle = OrderOf(draw.hwndItem);
    if (toggle < 0) return;
    DrawToggleAt(draw.hDC, draw.rcItem, static_cast<size_t>(toggle), (draw.itemState & ODS_SELECTED) != 0,
                 (draw.itemState & ODS_FOCUS) != 0);
}

bool ListToolbar::DrawsCue() const noexcept {
    return search_ && !boxDrawsCue_ && GetWindowTextLengthW(search_) == 0 && GetFocus() != search_;
}

void ListToolbar::DrawCueInto(HDC dc) const noexcept {
    RECT textArea{};
    SendMessageW(search_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&textArea));
    DrawCueText(dc, textArea, reinterpret_cast<HFONT>(SendMessageW(search_, WM_GETFONT, 0, 0)), kSearchCue);
}

void ListToolbar::Print(HDC dc, POINT at) const noexcept {
    if (!strip_) return;
    RECT area{};
    GetClientRect(strip_, &area);
    OffsetRect(&area, at.x, at.y);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    // Drawn as the strip draws them on screen: printed, not every system's buttons show their state.
    for (size_t toggle = 0; toggle < std::size(buttons_); ++toggle) {
        if (!buttons_[toggle]) continue;
        RECT place = PlaceInParent(buttons_[toggle]);
        OffsetRect(&place, at.x, at.y);
        const bool pushed = (SendMessageW(buttons_[toggle], BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        DrawToggleAt(dc, place, toggle, pushed, GetFocus() == buttons_[toggle]);
    }
    if (search_) {
        // The box draws itself, frame and all, moved under its place.
        const RECT place = PlaceInParent(search_);
        SaveDC(dc);
        IntersectClipRect(dc, at.x + place.left, at.y + place.top, at.x + place.right, at.y + place.bottom);
        OffsetViewportOrgEx(dc, at.x + place.left, at.y + place.top, nullptr);
        SendMessageW(search_, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        RestoreDC(dc, -1);
    }
    RestoreDC(dc, saved);
}

}  // namespace proplist
