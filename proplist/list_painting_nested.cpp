#include "proplist/list_painting.h"

#include "proplist/nested_layout.h"

namespace proplist {

void DrawExpanderBox(HDC dc, const RECT& box, bool expanded, COLORREF ink) noexcept {
    FrameRect(dc, &box, GetSysColorBrush(COLOR_GRAYTEXT));
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HGDIOBJ previous = SelectObject(dc, pen);
    const int middleX = (box.left + box.right) / 2;
    const int middleY = (box.top + box.bottom) / 2;
    MoveToEx(dc, box.left + 2, middleY, nullptr);
    LineTo(dc, box.right - 2, middleY);
    if (!expanded) {
        MoveToEx(dc, middleX, box.top + 2, nullptr);
        LineTo(dc, middleX, box.bottom - 2);
    }
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void ListPainter::DrawExpander(HDC dc, ListRows& rows, size_t row, const RECT& cells) noexcept {
    if (!rows.IsExpandable(row)) return;
    const RECT box = nested_layout::ExpanderBox(cells, rows.DepthOf(row));
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    DrawExpanderBox(dc, box, rows.IsExpanded(row), GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace proplist
