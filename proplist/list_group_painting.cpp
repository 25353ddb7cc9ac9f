#include "proplist/list_painting.h"

#include "proplist/list_view.h"

#include <algorithm>

// A group's header: the expander glyph, a box with a minus when expanded and a plus when
// collapsed, and the category's name in bold, on the face colour across the whole row.
namespace proplist {

void ListPainter::DrawHeader(HDC dc, const RowGroup& group, const RECT& row, bool selected, bool focused) noexcept {
    const bool highlighted = selected && focused;
    FillRect(dc, &row, GetSysColorBrush(highlighted ? COLOR_HIGHLIGHT : COLOR_3DFACE));
    const COLORREF ink = GetSysColor(!host_.IsEnabled() ? COLOR_GRAYTEXT
                                     : highlighted      ? COLOR_HIGHLIGHTTEXT
                                                        : COLOR_WINDOWTEXT);
    const int height = row.bottom - row.top;
    const int side = std::max(7, (height / 2) | 1);  // odd, so that the cross sits in the middle
    const int top = row.top + (height - side) / 2;
    const RECT box{row.left + 4, top, row.left + 4 + side, top + side};
    DrawExpanderBox(dc, box, group.expanded, ink);
    SetTextColor(dc, ink);
    HGDIOBJ previous = SelectObject(dc, BoldFont());
    RECT name{box.right + 5, row.top, row.right - 4, row.bottom};
    DrawTextW(dc, group.name->c_str(), static_cast<int>(group.name->size()), &name,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
}

}  // namespace proplist
