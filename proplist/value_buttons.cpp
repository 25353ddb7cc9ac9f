#include "proplist/value_buttons.h"

#include "ole/com_ptr.h"
#include "ole/variant.h"

#include <olectl.h>

#include <algorithm>

namespace proplist {

bool IsFontItem(const PropertyItem& item) noexcept {
    if (item.Description().fontTyped) return true;
    IUnknown* object = ole::ReferencedObject(item.CurrentValue());
    ole::ComPtr<IFont> font;
    return object && SUCCEEDED(object->QueryInterface(IID_IFont, font.PutVoid()));
}

ValueButton ButtonOf(const PropertyItem& item) noexcept {
    const ItemDescription& description = item.Description();
    if (description.readOnly) return ValueButton::kNone;
    switch (description.style) {
    case kStyleColour: return ValueButton::kEllipsis;
    case kStyleDate: return ValueButton::kDropDown;
    case kStyleCustom: return IsFontItem(item) ? ValueButton::kEllipsis : ValueButton::kNone;
    default: return ValueButton::kNone;
    }
}

RECT ButtonPlace(const RECT& cell) noexcept {
    const LONG side = std::min(cell.bottom - cell.top, cell.right - cell.left);
    return {cell.right - side, cell.top, cell.right, cell.bottom};
}

RECT WithoutButton(const RECT& cell) noexcept {
    RECT rest = cell;
    rest.right = ButtonPlace(cell).left;
    return rest;
}

void DrawValueButton(HDC dc, const RECT& place, ValueButton button) noexcept {
    RECT face = place;
    InflateRect(&face, 0, -1);
    if (button == ValueButton::kDropDown) {
        DrawFrameControl(dc, &face, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
        return;
    }
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, L"\u2026", 1, &face, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace proplist
