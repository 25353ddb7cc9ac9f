#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

// The order of the rows as the toolbar and ViewOrder choose it, and the groups' headers opened
// and closed from the keyboard and the mouse.
namespace proplist {

using namespace view_support;

LONG ListView::ViewOrder() noexcept {
    if (rows_.Categorized()) return kCategorizedOrder;
    return rows_.Alphabetical() ? kAlphabeticalOrder : kObjectOrder;
}

bool ListView::SetViewOrder(LONG order) noexcept {
    if (order < kObjectOrder || order > kCategorizedOrder) return false;
    if (order == ViewOrder()) {
        ShowViewOrder();  // a toggle clicked again stays down
        return true;
    }
    const bool wasAlphabetical = rows_.Alphabetical();
    rows_.SetAlphabetical(order == kAlphabeticalOrder);
    rows_.SetCategorized(order == kCategorizedOrder);
    ShowViewOrder();
    PositionEditor();
    EnsureVisible(rows_.Selected());
    UpdateScrollBar();
    Invalidate();
    if (wasAlphabetical != rows_.Alphabetical()) {
        const VARIANT arguments[] = {ole::BooleanArgument(rows_.Alphabetical() ? VARIANT_TRUE : VARIANT_FALSE)};
        host_.Raise(events::kSortOrderChanged, arguments);
    }
    host_.UserChangedProperty(kDispidViewOrder);
    return true;
}

void ListView::ShowViewOrder() noexcept {
    if (toolbar_.Window()) toolbar_.ShowOrder(ViewOrder(), rows_.HasCategories());
}

bool ListView::OnHeaderKey(SHORT key) noexcept {
    const size_t row = rows_.Selected();
    if (!rows_.HeaderAt(row)) return false;
    switch (key) {
    case VK_LEFT:
    case VK_SUBTRACT:
    case VK_OEM_MINUS: ExpandGroup(row, false); return true;
    case VK_RIGHT:
    case VK_ADD:
    case VK_OEM_PLUS: ExpandGroup(row, true); return true;
    case VK_RETURN: ToggleGroup(row); return true;
    default: return false;
    }
}

void ListView::ToggleGroup(size_t row) noexcept {
    if (const RowGroup* header = rows_.HeaderAt(row)) ExpandGroup(row, !header->expanded);
}

void ListView::ExpandGroup(size_t row, bool expanded) noexcept {
    // Rows come and go under the editor: its value is settled first.
    if (!rows_.HeaderAt(row) || !CommitEdit()) return;
    const bool itemWasSelected = Selected() != nullptr;
    if (!rows_.SetExpanded(row, expanded)) return;
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE, row);
    UpdateScrollBar();
    ScrollTo(rows_.Top());
    EnsureVisible(rows_.Selected());
    Invalidate();
    if (itemWasSelected && !Selected()) {
        // The selected item went with its group; its header took the selection.
        NotifyAccessibility(EVENT_OBJECT_SELECTION, rows_.Selected());
        const VARIANT arguments[] = {ole::ObjectArgument(nullptr)};
        host_.Raise(events::kSelectionChanged, arguments);
    }
}

}  // namespace proplist
