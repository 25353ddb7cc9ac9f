#pragma once

#include "proplist/list_rows.h"
#include "proplist/property_item.h"

#include <windows.h>

namespace proplist {

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
    // An entry of the colour drop-down: its swatch and its name.
    void DrawChoice(const DRAWITEMSTRUCT& draw) noexcept;
    // The message saying why a value was refused.
    void DrawMessage(const DRAWITEMSTRUCT& draw) noexcept;

private:
    HGDIOBJ ListFont() noexcept;
    void DrawRow(HDC dc, const PropertyItem& item, const RECT& row, int split, bool selected, bool focused) noexcept;
    // A row's value: a colour's swatch, the text greyed when read-only, bold when marked modified.
    void DrawValue(HDC dc, const PropertyItem& item, const RECT& cell, bool enabled) noexcept;
    // The list's font in bold, for values marked modified; made again when the font changes.
    HFONT BoldFont() noexcept;

    ListViewHost& host_;
    int rowHeight_ = 0;
    HFONT boldFont_ = nullptr;
    HFONT boldFontBase_ = nullptr;  // the font boldFont_ was made from
};

}  // namespace proplist
