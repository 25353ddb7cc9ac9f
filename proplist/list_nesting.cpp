#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/nested_layout.h"

#include <oleacc.h>

// Rows that hold objects: opened with Right, + or a click on their box, closed with Left or -.
namespace proplist {

using namespace view_support;

bool ListView::SetExpanded(size_t row, bool expanded) noexcept {
    if (row == kNone || (expanded ? !rows_.IsExpandable(row) || rows_.IsExpanded(row) : !rows_.IsExpanded(row))) {
        return false;
    }
    // An open editor may sit on a row about to go.
    if (!CommitEdit()) return true;
    if (expanded ? !rows_.Expand(row) : !rows_.Collapse(row)) {
        MessageBeep(MB_OK);
        return true;
    }
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE, row);
    NotifyAccessibility(EVENT_OBJECT_REORDER, kNone);
    UpdateScrollBar();
    EnsureVisible(rows_.Selected());
    Invalidate();
    return true;
}

bool ListView::OnExpanderKey(SHORT key) noexcept {
    const size_t row = rows_.Selected();
    if (row == kNone) return false;
    if (key == VK_RIGHT) {
        if (SetExpanded(row, true)) return true;
        // Open already: on to its first row.
        if (rows_.IsExpanded(row) && rows_.DepthOf(row + 1) > rows_.DepthOf(row)) return Select(row + 1);
        return false;
    }
    if (key != VK_LEFT) return false;
    if (SetExpanded(row, false)) return true;
    const size_t parent = rows_.ParentRow(row);
    return parent != kNone && Select(parent);
}

bool ListView::OnExpanderCharacter(wchar_t typed) noexcept {
    if (typed != L'+' && typed != L'-') return false;
    const size_t row = rows_.Selected();
    if (row == kNone || !rows_.IsExpandable(row)) return false;
    SetExpanded(row, typed == L'+');
    return true;
}

bool ListView::OnExpanderClick(size_t row, int x) noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    const RECT column = nested_layout::ExpanderColumn(client, rows_.DepthOf(row));
    if (x < column.left || x >= column.right || !rows_.IsExpandable(row)) return false;
    SetExpanded(row, !rows_.IsExpanded(row));
    return true;
}

bool ListView::OnExpanderDoubleClick(int x, int y) noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    const size_t row = RowAt(y);
    // A double click on a value edits it; on the name of a row with an expander, it toggles.
    if (row == kNone || x >= SplitterX(client.right) || !rows_.IsExpandable(row)) return false;
    host_.Raise(events::kDblClick);
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(ItemAtRow(row)))};
    host_.Raise(events::kItemDblClick, arguments);
    SetExpanded(row, !rows_.IsExpanded(row));
    return true;
}

LONG ListView::ExpansionState(size_t row) noexcept {
    if (rows_.IsExpanded(row)) return STATE_SYSTEM_EXPANDED;
    return rows_.IsExpandable(row) ? STATE_SYSTEM_COLLAPSED : 0;
}

}  // namespace proplist
