#include "proplist/list_painting.h"

#include "proplist/list_view.h"
#include "proplist/list_view_support.h"
#include "proplist/nested_layout.h"
#include "proplist/value_buttons.h"
#include "proplist/value_text.h"

#include <olectl.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace proplist {

namespace {

constexpr UINT kCellText = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// A colour's swatch, framed so that one of the window's own colour still shows.
void DrawSwatch(HDC dc, const RECT& swatch, COLORREF colour) noexcept {
    if (HBRUSH brush = CreateSolidBrush(colour)) {
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
    }
    FrameRect(dc, &swatch, GetSysColorBrush(COLOR_WINDOWTEXT));
}

void DrawCellText(HDC dc, const std::wstring& text, RECT cell, UINT format = kCellText) noexcept {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell, format);
}

}  // namespace

ListPainter::~ListPainter() {
    if (boldFont_) DeleteObject(boldFont_);
}

HGDIOBJ ListPainter::ListFont() noexcept {
    HFONT font = host_.Font();
    return font ? font : GetStockObject(DEFAULT_GUI_FONT);
}

int ListPainter::RowHeight() noexcept {
    if (rowHeight_ > 0) return rowHeight_;
    // A memory DC has the screen's resolution and, unlike the screen's own DC, costs no trip
    // to the window system.
    TEXTMETRICW metrics{};
    if (HDC screen = CreateCompatibleDC(nullptr)) {
        HGDIOBJ previous = SelectObject(screen, ListFont());
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, previous);
        DeleteDC(screen);
    }
    // The text's own height and some air, so rows grow with the font and the screen's DPI; at
    // least the text and a drop-down's borders, so that an open drop-down covers no other row.
    const int air = std::max(6, static_cast<int>(metrics.tmHeight / 3));
    rowHeight_ = std::max(8, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading) + air);
    return rowHeight_;
}

void ListPainter::FontChanged() noexcept {
    rowHeight_ = 0;
    if (boldFont_) DeleteObject(std::exchange(boldFont_, nullptr));
}

size_t ListPainter::Draw(HDC dc, const RECT& bounds, ListRows& rows, int split, bool focused) noexcept {
    return DrawFrom(dc, bounds, rows, rows.Top(), split, focused);
}

size_t ListPainter::DrawToWindow(HDC window, const RECT& bounds, ListRows& rows, int split, bool focused) noexcept {
    const int height = RowHeight();
    const int width = bounds.right - bounds.left;
    HDC buffer = CreateCompatibleDC(window);
    HBITMAP bitmap = buffer ? CreateCompatibleBitmap(window, std::max(1, width), height) : nullptr;
    if (!bitmap) {
        if (buffer) DeleteDC(buffer);
        return Draw(window, bounds, rows, split, focused);
    }
    HGDIOBJ previous = SelectObject(buffer, bitmap);
    const size_t count = rows.Count();
    const RECT band{0, 0, width, height};
    size_t row = rows.Top();
    int y = bounds.top;
    for (; row < count && y < bounds.bottom; ++row, y += height) {
        DrawFrom(buffer, band, rows, row, split - bounds.left, focused);
        BitBlt(window, bounds.left, y, width, std::min(height, static_cast<int>(bounds.bottom - y)), buffer, 0, 0,
               SRCCOPY);
    }
    // Below the last row there is only the background, which cannot flicker.
    const RECT rest{bounds.left, std::min(y, static_cast<int>(bounds.bottom)), bounds.right, bounds.bottom};
    FillRect(window, &rest, GetSysColorBrush(COLOR_WINDOW));
    SelectObject(buffer, previous);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    return row - std::min(row, rows.Top());
}

size_t ListPainter::DrawFrom(HDC dc, const RECT& bounds, ListRows& rows, size_t top, int split,
                             bool focused) noexcept {
    const int height = RowHeight();
    FillRect(dc, &bounds, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ previousFont = SelectObject(dc, ListFont());
    SetBkMode(dc, TRANSPARENT);
    HPEN grid = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DFACE));
    HGDIOBJ previousPen = SelectObject(dc, grid);
    const std::vector<Row>& shownRows = rows.Rows();
    const size_t selected = rows.Selected();
    size_t drawn = 0;
    for (size_t row = top; row < shownRows.size(); ++row) {
        const int y = bounds.top + static_cast<int>(row - top) * height;
        if (y >= bounds.bottom) break;
        const RECT cells{bounds.left, y, bounds.right, y + height};
        if (const Row& shown = shownRows[row]; shown.item) {
            DrawRow(dc, *shown.item, cells, split, row == selected, focused, shown.depth);
            DrawExpander(dc, rows, row, cells);
        } else {
            DrawHeader(dc, *rows.HeaderAt(row), cells, row == selected, focused);
        }
        ++drawn;
    }
    SelectObject(dc, previousPen);
    DeleteObject(grid);
    SelectObject(dc, previousFont);
    return drawn;
}

void ListPainter::DrawRow(HDC dc, const PropertyItem& item, const RECT& row, int split, bool selected,
                          bool focused, unsigned depth) noexcept {
    const bool enabled = host_.IsEnabled();
    const RECT nameCell{row.left, row.top, split, row.bottom};
    if (selected) FillRect(dc, &nameCell, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_3DFACE));
    SetTextColor(dc, GetSysColor(!enabled                ? COLOR_GRAYTEXT
                                 : selected && focused ? COLOR_HIGHLIGHTTEXT
                                                       : COLOR_WINDOWTEXT));
    RECT name = nameCell;
    InflateRect(&name, -4, 0);
    name.left = row.left + nested_layout::NameIndent(depth);
    DrawCellText(dc, item.Description().name, name);
    DrawValueWithButton(dc, item, RECT{split + 1, row.top, row.right, row.bottom}, enabled && selected);
    MoveToEx(dc, row.left, row.bottom - 1, nullptr);
    LineTo(dc, row.right, row.bottom - 1);
    // The splitter runs down the items' rows, not past the last one nor across a header.
    MoveToEx(dc, split, row.top, nullptr);
    LineTo(dc, split, row.bottom);
}

void ListPainter::DrawValueWithButton(HDC dc, const PropertyItem& item, const RECT& cell, bool withButton) noexcept {
    const bool enabled = host_.IsEnabled();
    const ValueButton button = withButton ? ButtonOf(item) : ValueButton::kNone;
    DrawValue(dc, item, button == ValueButton::kNone ? cell : WithoutButton(cell), enabled);
    if (button != ValueButton::kNone) DrawValueButton(dc, ButtonPlace(cell), button);
}

void ListPainter::DrawValue(HDC dc, const PropertyItem& item, const RECT& cell, bool enabled) noexcept {
    const ItemDescription& description = item.Description();
    RECT text = cell;
    InflateRect(&text, -4, 0);
    if (description.style == kStyleColour) {
        ole::Variant colour;
        COLORREF shown = 0;
        if (SUCCEEDED(ole::ChangeType(colour, item.CurrentValue(), VT_UI4)) &&
            SUCCEEDED(OleTranslateColor(V_UI4(&colour.Get()), nullptr, &shown))) {
            const int height = cell.bottom - cell.top;
            const RECT swatch{text.left, cell.top + 3, text.left + height * 3 / 2, cell.bottom - 3};
            DrawSwatch(dc, swatch, shown);
            text.left = swatch.right + 4;
        }
    }
    SetTextColor(dc, GetSysColor(!enabled || description.readOnly ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    // An edit not yet written where it belongs stands out.
    HGDIOBJ rowFont = item.IsMarkedModified() ? SelectObject(dc, BoldFont()) : nullptr;
    DrawCellText(dc, FormatValue(description, item.CurrentValue()), text);
    if (rowFont) SelectObject(dc, rowFont);
}

HFONT ListPainter::BoldFont() noexcept {
    auto base = static_cast<HFONT>(ListFont());
    if (boldFont_ && boldFontBase_ == base) return boldFont_;
    if (boldFont_) DeleteObject(std::exchange(boldFont_, nullptr));
    LOGFONTW description{};
    if (!GetObjectW(base, sizeof(description), &description)) return base;
    description.lfWeight = FW_BOLD;
    boldFont_ = CreateFontIndirectW(&description);
    boldFontBase_ = base;
    return boldFont_ ? boldFont_ : base;
}

void ListPainter::DrawChoice(const DRAWITEMSTRUCT& draw) noexcept {
    if (draw.itemID == static_cast<UINT>(-1)) return;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT swatch = draw.rcItem;
    InflateRect(&swatch, -2, -2);
    swatch.right = swatch.left + (swatch.bottom - swatch.top) * 3 / 2;
    COLORREF shown = 0;
    if (SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(draw.itemData), nullptr, &shown))) {
        DrawSwatch(draw.hDC, swatch, shown);
    } else {
        FrameRect(draw.hDC, &swatch, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    const LRESULT length = SendMessageW(draw.hwndItem, CB_GETLBTEXTLEN, draw.itemID, 0);
    if (length <= 0) return;
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(draw.hwndItem, CB_GETLBTEXT, draw.itemID, reinterpret_cast<LPARAM>(name.data()));
    name.resize(static_cast<size_t>(length));
    RECT text = draw.rcItem;
    text.left = swatch.right + 4;
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawCellText(draw.hDC, name, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void ListPainter::DrawMessage(const DRAWITEMSTRUCT& draw) noexcept {
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_INFOBK));
    HGDIOBJ previous = SelectObject(draw.hDC, ListFont());
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, RGB(160, 0, 0));
    RECT inside = draw.rcItem;
    InflateRect(&inside, -4, 0);
    DrawCellText(draw.hDC, view_support::WindowText(draw.hwndItem), inside);
    SelectObject(draw.hDC, previous);
}

}  // namespace proplist
