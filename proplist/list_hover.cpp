#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <algorithm>

// The mouse over the list: it entering and leaving the list and its rows, the splitter being
// dragged, and which text the tip shows when the mouse rests on a cell that cuts it short.
namespace proplist {

using namespace view_support;

void ListView::OnMouseMove(WPARAM buttons, int x, int y) noexcept {
    if (!trackingMouse_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_HOVER, window_, HOVER_DEFAULT};
        trackingMouse_ = TrackMouseEvent(&track) != FALSE;
        host_.Raise(events::kMouseEnter);
    }
    const VARIANT arguments[] = {ole::ShortArgument((buttons & MK_LBUTTON) ? 1 : 0),
                                 ole::ShortArgument(ShiftState()),
                                 ole::FloatArgument(static_cast<float>(x)),
                                 ole::FloatArgument(static_cast<float>(y))};
    host_.Raise(events::kMouseMove, arguments);
    if (draggingSplitter_) {
        DragSplitterTo(x);
        return;
    }
    const size_t row = RowAt(y);
    SetHotItem(row == kNone ? nullptr : ItemAtRow(row));
}

void ListView::SetHotItem(PropertyItem* item) noexcept {
    if (item == hotItem_.Get()) return;
    HideToolTip();
    const ole::ComPtr<PropertyItem> left = std::exchange(hotItem_, ole::ComPtr<PropertyItem>(item));
    if (left) {
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(left.Get()))};
        host_.Raise(events::kItemLeave, arguments);
    }
    if (const ole::ComPtr<PropertyItem> entered = hotItem_) {
        const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(entered.Get()))};
        host_.Raise(events::kItemEnter, arguments);
        // Resting on this row may show its tooltip.
        TRACKMOUSEEVENT track{sizeof(track), TME_HOVER, window_, HOVER_DEFAULT};
        TrackMouseEvent(&track);
    }
}

void ListView::OnMouseHover(int x, int y) noexcept {
    const size_t row = RowAt(y);
    PropertyItem* item = row == kNone ? nullptr : ItemAtRow(row);
    if (!item || editor_.IsOpen()) return;
    SetHotItem(item);
    const ole::ComPtr<PropertyItem> held(item);
    RECT cell = ValueCell(row);
    const bool overName = x < cell.left;
    // The whole text of a cell that cuts it short; a handler may say something else or nothing.
    const ItemDescription& description = item->Description();
    const std::wstring shown = overName ? description.name : FormatValue(description, item->CurrentValue());
    if (overName) {
        cell.right = cell.left - 1;
        cell.left = 0;
    }
    std::wstring offered;
    HDC dc = GetDC(window_);
    HFONT font = host_.Font();
    HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    if (extent.cx > cell.right - cell.left - 8) offered = shown;
    ole::Bstr text(offered);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item)), ole::TextReference(text.InOut())};
    host_.Raise(events::kToolTipShow, arguments);
    if (text.Length() == 0 || !window_) return;
    POINT at{cell.left, cell.top};
    ClientToScreen(window_, &at);
    toolTip_.Show(window_, text.Get(), host_.Font(), at);
}

void ListView::HideToolTip() noexcept { toolTip_.Hide(); }

void ListView::OnMouseLeave() noexcept {
    trackingMouse_ = false;
    SetHotItem(nullptr);
    host_.Raise(events::kMouseLeave);
}

void ListView::DragSplitterTo(int x) noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    if (client.right <= 0) return;
    splitRatio_ = std::clamp(static_cast<double>(x) / client.right, 0.05, 0.95);
    PositionEditor();
    Invalidate();
    const int width = SplitterX(client.right);
    if (width == reportedSplit_) return;
    reportedSplit_ = width;
    const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(width))};
    host_.Raise(events::kColumnWidthChanged, arguments);
}

}  // namespace proplist
