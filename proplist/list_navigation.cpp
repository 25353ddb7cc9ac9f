#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <algorithm>

// Moving the selection: by keys (arrows, pages, Home, End, Tab, type-ahead on names) and by the
// mouse (a click selects; a second click on the value edits it; the splitter is dragged).
namespace proplist {

using namespace view_support;

SHORT ListView::RaiseKeyDown(SHORT key) noexcept {
    const VARIANT arguments[] = {ole::ShortReference(&key), ole::ShortArgument(ShiftState())};
    host_.Raise(events::kKeyDown, arguments);
    return key;
}

void ListView::OnKeyDown(SHORT key) noexcept {
    const bool control = (ShiftState() & 2) != 0;
    if (key == VK_F1) return RequestHelp();
    if (control && key == 'C') return CopySelected();
    if (control && key == 'V') return PasteIntoSelected();
    if (control && key == 'F') return OpenFilter();
    if (control && (key == 'Z' || key == 'Y')) return key == 'Z' && !(ShiftState() & 1) ? Undo() : Redo();
    if (control && key == VK_RETURN) return PressValueButton(rows_.Selected());
    if (key == VK_TAB && TabLeavesRows((ShiftState() & 1) != 0)) return;
    if (key == VK_F4 || (key == VK_DOWN && (ShiftState() & 4))) {
        BeginEdit();
        return editor_.DropDown();
    }
    if (OnHeaderKey(key)) return;
    const size_t count = rows_.Count();
    if (count == 0) return;
    const size_t page = RowsPerPage();
    const size_t current = rows_.Selected();
    switch (key) {
    case VK_UP: Move(-1); break;
    case VK_DOWN: Move(1); break;
    case VK_PRIOR: Move(-static_cast<long>(page)); break;
    case VK_NEXT: Move(static_cast<long>(page)); break;
    case VK_HOME: Select(0); break;
    case VK_END: Select(count - 1); break;
    case VK_LEFT:
    case VK_RIGHT: OnExpanderKey(key); break;
    case VK_RETURN:
    case VK_F2: BeginEdit(); break;
    case VK_TAB:
        Move((ShiftState() & 1) ? -1 : 1);
        if (rows_.Selected() != current) BeginEdit();
        break;
    default: break;
    }
}

void ListView::Move(long delta) noexcept {
    const size_t count = rows_.Count();
    if (count == 0) return;
    const size_t selected = rows_.Selected();
    if (selected == kNone) {
        Select(delta < 0 ? count - 1 : 0);
        return;
    }
    const long long target = static_cast<long long>(selected) + delta;
    Select(static_cast<size_t>(std::clamp<long long>(target, 0, static_cast<long long>(count) - 1)));
}

bool ListView::Select(size_t row) noexcept {
    if (!CommitEdit()) return false;
    if (row == rows_.Selected()) {
        EnsureVisible(row);
        return true;
    }
    PropertyItem* item = row == kNone ? nullptr : ItemAtRow(row);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT before[] = {ole::ObjectArgument(item ? AsDispatch(item) : nullptr),
                              ole::BooleanReference(&cancel)};
    host_.Raise(events::kBeforeSelectionChange, before);
    if (cancel) return false;
    // A handler may have changed the items.
    if (row != kNone && row >= rows_.Count()) return false;
    rows_.Select(row);
    item = ItemAtRow(row);
    editor_.HideMessage();
    if (row != kNone) {
        NotifyAccessibility(EVENT_OBJECT_SELECTION, row);
        if (window_ && GetFocus() == window_) NotifyAccessibility(EVENT_OBJECT_FOCUS, row);
    }
    EnsureVisible(row);
    Invalidate();
    const VARIANT arguments[] = {ole::ObjectArgument(item ? AsDispatch(item) : nullptr)};
    host_.Raise(events::kSelectionChanged, arguments);
    return true;
}

void ListView::OnChar(wchar_t typed) noexcept {
    if (typed < L' ' || OnExpanderCharacter(typed)) return;
    // On a header, + and - open and close it (at the key's press), and find nothing.
    if (rows_.HeaderAt(rows_.Selected()) && (typed == L'+' || typed == L'-')) return;
    const size_t found = rows_.FindTyped(typed, GetTickCount());
    if (found != kNone) {
        Select(found);
        return;
    }
    if (rows_.Count() == 0) return;
    const ole::Bstr searched(rows_.Typed());
    const VARIANT arguments[] = {ole::TextArgument(searched.Get())};
    host_.Raise(events::kSearchNotFound, arguments);
}

void ListView::OnMouseDown(int x, int y) noexcept {
    SetFocus(window_);
    const VARIANT arguments[] = {ole::ShortArgument(1), ole::ShortArgument(ShiftState()),
                                 ole::FloatArgument(static_cast<float>(x)),
                                 ole::FloatArgument(static_cast<float>(y))};
    host_.Raise(events::kMouseDown, arguments);
    RECT client{};
    GetClientRect(window_, &client);
    if (std::abs(x - SplitterX(client.right)) <= 3) {
        if (!CommitEdit()) return;
        draggingSplitter_ = true;
        SetCapture(window_);
        return;
    }
    const size_t row = RowAt(y);
    if (row == kNone) return;
    const bool again = row == rows_.Selected();
    if (again && host_.IsEnabled() && OnValueButtonClick(x, y, row)) return;
    if (!Select(row)) return;
    if (rows_.HeaderAt(row)) {
        // Its expander opens and closes a group at a click; the rest of the header at a double-click.
        if (x < RowHeight() + 4) ToggleGroup(row);
        return;
    }
    const VARIANT item[] = {ole::ObjectArgument(AsDispatch(ItemAtRow(row)))};
    host_.Raise(events::kItemClick, item);
    if (OnExpanderClick(row, x)) return;
    // A click on the value of the selected item edits it, as property grids do.
    if (again && x > SplitterX(client.right) && !editor_.IsOpen()) {
        BeginEdit();
        editor_.OpenedByClick();
    }
}

}  // namespace proplist
