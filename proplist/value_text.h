#pragma once

#include "ole/variant.h"
#include "proplist/item_style.h"

#include <olectl.h>

#include <span>
#include <string>
#include <vector>

namespace proplist {

// The text an item's value shows as, in the user's conventions: "True", an enumeration's shown
// name, a colour's name or "#RRGGBB", "Arial, 12pt, Bold" for a font, "(Object)" for another
// object reference, "(Nothing)" for an empty one.
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

// What a drop-down offers for the item: the enumeration's shown names, or False and True.
std::vector<std::wstring> Choices(const ItemDescription& item);

// The choice after the one `value` shows as, wrapping round; the first when it shows as none of
// them; empty when the item offers no choices.
std::wstring NextChoice(const ItemDescription& item, const VARIANT& value);

// Gives each member that has no text of its own (no documentation) its name less the prefix all
// the members' names share (`FinishSatin`, `FinishGloss`: `Satin`, `Gloss`), cut where a word
// starts and only where no name is left empty or a bare number, which typing reads as a value.
void ShowMembersByShortNames(EnumMembers& members);

}  // namespace proplist
