#pragma once

#include "ole/com_ptr.h"
#include "proplist/property_item.h"

#include <windows.h>

#include <string>

namespace proplist {

// What the pane under the rows says about a property, as its type information declares it.
struct PropertyDescription {
    std::wstring name;
    std::wstring documentation;
    // "Constant: its documentation" for the enumeration constant the value holds, when documented.
    std::wstring constantDocumentation;
    // As a user reads it: String, Long, Boolean, or the name of the enumeration or interface.
    std::wstring type;
    bool readOnly = false;

    // Everything under the name, a line each; screen readers are given the same.
    std::wstring Body() const;
};

// Looks the description up in the item's type information; what cannot be found stays empty.
PropertyDescription DescribeProperty(const PropertyItem& item);

// The pane under the rows: whether it shows, how high it wants to be, where it fits and what it
// paints. It looks a description up only when the item it shows, or that item's value, changes.
class DescriptionPane {
public:
    static constexpr LONG kDefaultHeight = 80;
    static constexpr LONG kMaximumHeight = 32767;
    // The band at the pane's top that drags the boundary between the rows and the pane.
    static constexpr int kSplitterThickness = 4;

    static bool IsValidHeight(LONG height) noexcept { return height > 0 && height <= kMaximumHeight; }

    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible) noexcept { visible_ = visible; }
    LONG Height() const noexcept { return height_; }
    void SetHeight(LONG height) noexcept { height_ = height; }

    // The height the pane takes at the bottom of an area `available` high: its own height kept
    // within room for its name and a line of text, and room for one row above it; 0 when
    // hidden or when the area cannot hold both.
    int LaidOutHeight(int available, int rowHeight) const noexcept;
    // The least height that shows the name and a line of text.
    static int Least(int rowHeight) noexcept { return kSplitterThickness + 2 * rowHeight; }

    // Paints the pane into `area`: the splitter band, then the item's name in bold and its
    // description under it (nothing for no item).
    void Draw(HDC dc, const RECT& area, PropertyItem* item, HFONT font, HFONT bold, bool enabled) noexcept;
    // The description of the item shown, looked up again when the item or its value changed.
    const PropertyDescription& DescriptionOf(PropertyItem& item);

private:
    bool visible_ = true;
    LONG height_ = kDefaultHeight;
    ole::ComPtr<PropertyItem> described_;
    LONG describedValue_ = 0;  // an enumeration's value, whose constant the description names
    PropertyDescription description_;
};

}  // namespace proplist
