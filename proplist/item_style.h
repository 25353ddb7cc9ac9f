#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

namespace proplist {

// How an item's value is shown and edited. 0 is the list user's custom style: values the list
// cannot edit in place (objects, arrays, types it does not know).
enum ItemStyle : LONG {
    kStyleCustom = 0,
    kStyleText = 1,
    kStyleWholeNumber = 2,
    kStyleDecimalNumber = 3,
    kStyleBoolean = 4,
    kStyleEnumeration = 5,
    kStyleColour = 6,
    kStyleDate = 7,
};

// One named value of an enumeration, as its type library declares it.
struct EnumMember {
    std::wstring name;
    LONG value;
    // The text the value is shown as: the constant's documentation, or its name less the prefix
    // the enumeration's names share (see ShowMembersByShortNames); empty shows the name.
    std::wstring shown;
};
using EnumMembers = std::vector<EnumMember>;

// What the list knows of an item beyond its value: fixed when the item is made.
struct ItemDescription {
    std::wstring name;
    bool readOnly = false;
    LONG style = kStyleCustom;
    // The automation type that edited values are converted to (VT_I4, VT_R8, VT_BSTR, ...).
    VARTYPE valueType = VT_EMPTY;
    // The enumeration's names, shared by every item of that enumeration.
    std::shared_ptr<const EnumMembers> members;
    // The name of the category the object files the property under, shared by the items of one
    // category; null when the object has no categories.
    std::shared_ptr<const std::wstring> category;
    // Where the type information declares the property, so that its documentation can be found
    // when it is wanted rather than every time items are made.
    ole::ComPtr<ITypeInfo> declaredIn;
    // The property's member id in the object's type information.
    MEMBERID memberId = DISPID_UNKNOWN;
    // The type information declares an OLE font (IFontDisp, StdFont): chosen in the font dialog.
    bool fontTyped = false;

    // Shared parts compare by identity: equal descriptions came from the same walk.
    bool operator==(const ItemDescription&) const = default;
};

}  // namespace proplist
