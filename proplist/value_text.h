#pragma once

#include "ole/variant.h"
#include "proplist/item_style.h"

#include <olectl.h>

#include <span>
#include <string>
#include <vector>

namespace proplist {

// The text an item's value shows as, in the user's conventions: "True", an enumeration's name,
// "#RRGGBB" for a colour, "(Object)" for an object reference, "(Nothing)" for an empty one.
std::wstring FormatValue(const ItemDescription& item, const VARIANT& value);

// The value that text typed for the item stands for, of the item's type; when it does not
// convert, fails and says why in `reason` (for the user to read).
HRESULT ParseValue(const ItemDescription& item, const std::wstring& text, ole::Variant& value, std::wstring& reason);

// A colour the colour drop-down offers, under the name it is listed and may be typed by.
struct NamedColour {
    const wchar_t* name;
    OLE_COLOR value;
};
// Sixteen basic colours, then the system's colours (which follow the user's scheme).
std::span<const NamedColour> ColourPalette() noexcept;

// What a drop-down offers for the item: the enumeration's names, or False and True.
std::vector<std::wstring> Choices(const ItemDescription& item);

}  // namespace proplist
