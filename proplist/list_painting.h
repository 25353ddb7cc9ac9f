#pragma once

#include "proplist/list_rows.h"
#include "proplist/property_item.h"

#include <windows.h>

namespace proplist {

// A +/- box: minus when what it opens is open, plus when closed.
void DrawExpanderBox(HDC dc, const RECT& box, bool expanded, COLORREF ink) noexcept;

class ListViewHost;

// How the list looks: names on the left, values on the right, the selection highlighted,
// read-only values and a disabled list greyed, colours with a swatch, values marked modified in
// bold. It owns what drawing needs beyond the control's font: the bold font and the row height.
class ListPainter {
public:
    explicit ListPainter(ListViewHost& host) noexcept : host_(host) {}
    ListPainter(const ListPainter&) = delete;
    ListPainter& operator=(const ListPainter&) = delete;
    ~ListPainter();

    // The height of a row in the list's font: the text's and some air.
    int RowHeight() noexcept;
    // The bold font and the row height are made again for the new font when next needed.
    void FontChanged() noexcept;

    // Paints the rows from the top one in view into `bounds`, the name column `split` wide;
    // only the rows inside the bounds are visited. Returns the number of rows drawn.
    size_t Draw(HDC dc, const RECT& bounds, ListRows& rows, int split, bool focused) noexcept;
    // The same into a window, a row at a time through a buffer one row high: no row flickers,
    // and a buffer that small costs little to make, where one of the whole window costs the
    // system a page fault for every 4 KB the first time it is drawn on.
    size_t DrawToWindow(HDC window, const RECT& bounds, ListRows& rows, int split, bool focused) noexcept;
    // An entry of the colour drop-down: its swatch and its name.
    void DrawChoice(const DRAWITEMSTRUCT& draw) noexcept;
    // The message saying why a value was refused.
    void DrawMessage(const DRAWITEMSTRUCT& draw) noexcept;
    // The list's font in bold, for values marked modified; made again when the font changes.
    HFONT BoldFont() noexcept;

private:
    HGDIOBJ ListFont() noexcept;
    size_t DrawFrom(HDC dc, const RECT& bounds, ListRows& rows, size_t top, int split, bool focused) noexcept;
    void DrawRow(HDC dc, const PropertyItem& item, const RECT& row, int split, bool selected, bool focused,
                 unsigned depth) noexcept;
    // A group's header across both columns: its expander glyph and its name in bold.
    void DrawHeader(HDC dc, const RowGroup& group, const RECT& row, bool selected, bool focused) noexcept;
    // A row's +/- box, left of its name, when it holds an object that opens.
    void DrawExpander(HDC dc, ListRows& rows, size_t row, const RECT& cells) noexcept;
    // A row's value and, on the selected row of an enabled list, the button its value has.
    void DrawValueWithButton(HDC dc, const PropertyItem& item, const RECT& cell, bool withButton) noexcept;
    // A row's value: a colour's swatch, the text greyed when read-only, bold when marked modified.
    void DrawValue(HDC dc, const PropertyItem& item, const RECT& cell, bool enabled) noexcept;

    ListViewHost& host_;
    int rowHeight_ = 0;
    HFONT boldFont_ = nullptr;
    HFONT boldFontBase_ = nullptr;  // the font boldFont_ was made from
};

}  // namespace proplist
