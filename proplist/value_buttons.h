#pragma once

#include "proplist/property_item.h"

#include <windows.h>

namespace proplist {

// The button at the right of the selected row's value: "…" opens a dialog (a font's, a
// colour's), the arrow a date's calendar.
enum class ValueButton { kNone, kEllipsis, kDropDown };

// Whether the item holds an OLE font or its type information says it takes one.
bool IsFontItem(const PropertyItem& item) noexcept;
// The button the item's value has when its row is selected; none for a read-only value.
ValueButton ButtonOf(const PropertyItem& item) noexcept;
// Where the button sits in a value cell: a square at its right end.
RECT ButtonPlace(const RECT& cell) noexcept;
// The value cell less its button.
RECT WithoutButton(const RECT& cell) noexcept;
void DrawValueButton(HDC dc, const RECT& place, ValueButton button) noexcept;

}  // namespace proplist
