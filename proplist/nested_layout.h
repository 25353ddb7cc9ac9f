#pragma once

#include <windows.h>

namespace proplist::nested_layout {

// Each level of nesting moves a name right by one column; the first column, left of the
// object's own names, holds their expanders, so names line up whether they have one or not.
constexpr int kColumn = 14;
constexpr int kBox = 9;

inline int NameIndent(unsigned depth) noexcept { return kColumn * static_cast<int>(depth + 1); }

// The column that holds a row's expander: where a click toggles it.
inline RECT ExpanderColumn(const RECT& row, unsigned depth) noexcept {
    const int left = row.left + kColumn * static_cast<int>(depth);
    return {left, row.top, left + kColumn, row.bottom};
}

// The box drawn in that column.
inline RECT ExpanderBox(const RECT& row, unsigned depth) noexcept {
    const RECT column = ExpanderColumn(row, depth);
    const int left = column.left + (kColumn - kBox) / 2 + 1;
    const int top = column.top + (column.bottom - column.top - kBox) / 2;
    return {left, top, left + kBox, top + kBox};
}

}  // namespace proplist::nested_layout
