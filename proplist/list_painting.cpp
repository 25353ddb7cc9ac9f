#include "proplist/list_view.h"

#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <olectl.h>

#include <algorithm>
#include <utility>

// How the list looks: names on the left, values on the right, the selection highlighted,
// read-only values and a disabled list greyed, colours with a swatch. Only the rows inside the
// bounds are visited.
namespace proplist {

void ListView::Draw(HDC dc, const RECT& bounds) noexcept {
    const int width = bounds.right - bounds.left;
    const int split = bounds.left + SplitterX(width);
    const int height = RowHeight();
    const bool enabled = host_.IsEnabled();
    FillRect(dc, &bounds, GetSysColorBrush(COLOR_WINDOW));
    HFONT font = host_.Font();
    HGDIOBJ previousFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    HPEN grid = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DFACE));
    HGDIOBJ previousPen = SelectObject(dc, grid);
    const bool focused = window_ && (GetFocus() == window_);

    const std::vector<size_t>& rows = rows_.Positions();
    const size_t top = rows_.Top();
    const size_t selectedRow = rows_.Selected();
    PropertyItems& items = host_.Items();
    size_t drawn = 0;
    for (size_t row = top; row < rows.size(); ++row) {
        const int y = bounds.top + static_cast<int>(row - top) * height;
        if (y >= bounds.bottom) break;
        const PropertyItem& item = items.At(rows[row]);
        const ItemDescription& description = item.Description();
        RECT nameCell{bounds.left, y, split, y + height};
        RECT valueCell{split + 1, y, bounds.right, y + height};
        const bool selected = row == selectedRow;
        if (selected) {
            FillRect(dc, &nameCell, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_3DFACE));
        }
        SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT
                                     : selected && focused ? COLOR_HIGHLIGHTTEXT
                                                           : COLOR_WINDOWTEXT));
        RECT text = nameCell;
        InflateRect(&text, -4, 0);
        DrawTextW(dc, description.name.c_str(), static_cast<int>(description.name.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);

        DrawValue(dc, item, valueCell, enabled);
        MoveToEx(dc, bounds.left, y + height - 1, nullptr);
        LineTo(dc, bounds.right, y + height - 1);
        ++drawn;
    }
    MoveToEx(dc, split, bounds.top, nullptr);
    LineTo(dc, split, bounds.top + static_cast<int>(std::min(rows.size() - std::min(top, rows.size()),
                                                             static_cast<size_t>(INT_MAX / std::max(1, height)))) *
                                       height);
    SelectObject(dc, previousPen);
    DeleteObject(grid);
    SelectObject(dc, previousFont);
    rowsDrawn_ = drawn;
}

void ListView::DrawValue(HDC dc, const PropertyItem& item, const RECT& cell, bool enabled) noexcept {
    const ItemDescription& description = item.Description();
    RECT text = cell;
    InflateRect(&text, -4, 0);
    if (description.style == kStyleColour) {
        ole::Variant colour;
        COLORREF shown = 0;
        if (SUCCEEDED(ole::ChangeType(colour, item.CurrentValue(), VT_UI4)) &&
            SUCCEEDED(OleTranslateColor(V_UI4(&colour.Get()), nullptr, &shown))) {
            const int height = cell.bottom - cell.top;
            RECT swatch{text.left, cell.top + 3, text.left + height * 3 / 2, cell.bottom - 3};
            HBRUSH brush = CreateSolidBrush(shown);
            FillRect(dc, &swatch, brush);
            DeleteObject(brush);
            FrameRect(dc, &swatch, GetSysColorBrush(COLOR_WINDOWTEXT));
            text.left = swatch.right + 4;
        }
    }
    const std::wstring value = FormatValue(description, item.CurrentValue());
    SetTextColor(dc, GetSysColor(!enabled || description.readOnly ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    // An edit not yet written where it belongs stands out.
    HGDIOBJ rowFont = item.IsMarkedModified() ? SelectObject(dc, BoldFont()) : nullptr;
    DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (rowFont) SelectObject(dc, rowFont);
}

HFONT ListView::BoldFont() noexcept {
    HFONT base = host_.Font();
    if (!base) base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (boldFont_ && boldFontBase_ == base) return boldFont_;
    if (boldFont_) DeleteObject(std::exchange(boldFont_, nullptr));
    LOGFONTW description{};
    if (!GetObjectW(base, sizeof(description), &description)) return base;
    description.lfWeight = FW_BOLD;
    boldFont_ = CreateFontIndirectW(&description);
    boldFontBase_ = base;
    return boldFont_ ? boldFont_ : base;
}

void ListView::DrawMessage(const DRAWITEMSTRUCT& draw) noexcept {
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_INFOBK));
    const std::wstring text = view_support::WindowText(draw.hwndItem);
    HFONT font = host_.Font();
    HGDIOBJ previous = SelectObject(draw.hDC, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, RGB(160, 0, 0));
    RECT inside = draw.rcItem;
    InflateRect(&inside, -4, 0);
    DrawTextW(draw.hDC, text.c_str(), static_cast<int>(text.size()), &inside,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(draw.hDC, previous);
}

}  // namespace proplist
