#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_buttons.h"

#include <algorithm>

// Where the list meets its editor: which values may be edited, where the editor and its message
// go, and the keys that take the user from the editor to another row.
namespace proplist {

using namespace view_support;

void ListView::BeginEdit() noexcept {
    if (editor_.IsOpen() || !window_ || !host_.IsEnabled()) return;
    const ole::ComPtr<PropertyItem> item(Selected());
    if (!item || RefusedAsReadOnly(*item.Get())) return;
    if (item->Description().style == kStyleCustom) {
        // The list's user edits custom values its own way; a font, the list offers its dialog.
        const VARIANT itemArgument[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
        host_.Raise(events::kButtonClick, itemArgument);
        if (item.Get() == Selected() && IsFontItem(*item.Get()) && MayEdit(*item.Get())) ChooseFontFor(*item.Get());
        return;
    }
    if (!MayEdit(*item.Get()) || item.Get() != Selected()) return;
    EnsureVisible(rows_.Selected());
    editor_.Open(*item.Get(), EditorCell(rows_.Selected()));
}

bool ListView::RefusedAsReadOnly(PropertyItem& item) noexcept {
    if (!item.Description().readOnly) return false;
    const VARIANT itemArgument[] = {ole::ObjectArgument(AsDispatch(&item))};
    host_.Raise(events::kReadOnlyEditAttempt, itemArgument);
    MessageBeep(MB_OK);
    return true;
}

bool ListView::MayEdit(PropertyItem& item) noexcept {
    if (RefusedAsReadOnly(item)) return false;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT beforeEdit[] = {ole::ObjectArgument(AsDispatch(&item)), ole::BooleanReference(&cancel)};
    host_.Raise(events::kBeforeEdit, beforeEdit);
    return cancel == VARIANT_FALSE;
}

RECT ListView::EditorCell(size_t row) noexcept {
    const RECT cell = ValueCell(row);
    PropertyItem* item = ItemAtRow(row);
    return item && ButtonOf(*item) != ValueButton::kNone ? WithoutButton(cell) : cell;
}

void ListView::AbandonEdit() noexcept { editor_.Abandon(); }

bool ListView::KeyLeavingEditor(SHORT key) noexcept {
    switch (key) {
    case VK_F1: RequestHelp(); return true;
    case VK_RETURN:
        if (CommitEdit()) PressValueButton(rows_.Selected());
        return true;
    case VK_TAB:
        if (CommitEdit() && !TabLeavesRows((ShiftState() & 1) != 0)) {
            Move((ShiftState() & 1) != 0 ? -1 : 1);
            BeginEdit();
        }
        return true;
    case VK_UP:
    case VK_DOWN:
        // An edit box's arrows leave for the next row.
        if (CommitEdit()) Move(key == VK_UP ? -1 : 1);
        return true;
    default: return false;
    }
}

void ListView::EditorClosed(bool hadFocus) noexcept {
    if (hadFocus && window_) SetFocus(window_);
    Invalidate();
}

RECT ListView::MessagePlace() noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    const int height = RowHeight();
    const size_t selected = rows_.Selected();
    int y = RowsTop();
    if (selected != kNone) {
        y += static_cast<int>(static_cast<long long>(selected) - static_cast<long long>(rows_.Top()) + 1) * height;
    }
    // Above the selection when there is no room below it.
    if (y + height > client.bottom) y = std::max(RowsTop(), y - 2 * height);
    return {0, y, client.right, y + height};
}

}  // namespace proplist
