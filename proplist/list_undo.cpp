#include "proplist/list_view.h"

#include "ole/hresult.h"
#include "proplist/value_text.h"

// Undo and redo of the user's edits. A step's value goes back to its item as the user's own
// edit would: the list's user may check or refuse it, hears of it, and writes it to the object.
namespace proplist {

namespace {

PropertyItem* ItemNamed(PropertyItems& items, std::wstring_view name) noexcept {
    PropertyItem* found = nullptr;
    // Out of memory for the lookup: no item, as for a name not found.
    ole::Guarded([&] {
        found = items.Named(name);
        return S_OK;
    });
    return found;
}

}  // namespace

void ListView::ItemEdited(PropertyItem& item, const VARIANT& before) noexcept {
    if (replaying_) return;
    // A nested item is named by its path: its name alone may be one of the list's own items'.
    // An edit that cannot be recorded (out of memory) is still made; only its undo is lost.
    std::vector<std::wstring> path;
    if (SUCCEEDED(rows_.Nested().PathOf(item, path))) history_.Record(path, before, item.CurrentValue());
}

PropertyItem* ListView::ItemAtPath(std::span<const std::wstring> path) noexcept {
    PropertyItem* top = path.empty() ? nullptr : ItemNamed(Items(), path.front());
    return top ? rows_.Nested().ItemAlong(*top, path.subspan(1)) : nullptr;
}

void ListView::Replay(bool undo) noexcept {
    if (!host_.IsEnabled() || !CommitEdit()) return;
    while (const EditHistory::Step* step = undo ? history_.NextUndo() : history_.NextRedo()) {
        ole::Variant recorded;
        std::vector<std::wstring> path;
        const HRESULT copied = ole::Guarded([&] {
            path = step->path;
            return recorded.CopyFrom(undo ? step->before.Get() : step->after.Get());
        });
        if (FAILED(copied)) return;
        const ole::ComPtr<PropertyItem> item(ItemAtPath(path));
        if (undo) history_.StepBack();
        else history_.StepForward();
        // The object no longer has that property, or a nested one's row is not expanded now: the
        // step is passed over.
        if (!item) continue;
        const unsigned long moved = history_.Revision();
        // A refused value leaves the step where it was, unless the handlers changed the history.
        if (!StoreRecordedValue(*item.Get(), path, recorded.Get()) && history_.Revision() == moved) {
            if (undo) history_.StepForward();
            else history_.StepBack();
        }
        return;
    }
}

bool ListView::StoreRecordedValue(PropertyItem& item, std::span<const std::wstring> path,
                                  const VARIANT& recorded) noexcept {
    SelectItem(item);
    ole::Variant value;
    std::wstring shown;
    const HRESULT prepared = ole::Guarded([&]() -> HRESULT {
        shown = FormatValue(item.Description(), recorded);
        return value.CopyFrom(recorded);
    });
    if (FAILED(prepared) || !editor_.AcceptValue(item, shown, value)) return false;
    // A handler may have filled the list again, or collapsed the row.
    if (ItemAtPath(path) != &item) return false;
    replaying_ = true;
    const HRESULT stored = item.StoreEditedValue(value.Get());
    replaying_ = false;
    if (FAILED(stored)) return false;
    editor_.RaiseItemChanged(item);
    return true;
}

void ListView::SelectItem(const PropertyItem& item) noexcept {
    for (size_t row = 0; row < rows_.Count(); ++row) {
        if (ItemAtRow(row) == &item) {
            Select(row);
            return;
        }
    }
}

}  // namespace proplist
