#include "proplist/list_rows.h"

#include "ole/error_info.h"

#include <algorithm>

// Rows under expanded rows: the properties of the object a row holds, one level deeper.
namespace proplist {

bool ListRows::IsExpanded(size_t row) noexcept {
    const PropertyItem* item = ItemAt(row);
    return item && nested_.IsExpanded(*item);
}

bool ListRows::IsExpandable(size_t row) noexcept {
    const PropertyItem* item = ItemAt(row);
    return item && (nested_.IsExpanded(*item) || nested_.CanExpand(*item));
}

bool ListRows::Expand(size_t row) noexcept {
    PropertyItem* item = ItemAt(row);
    if (!item) return false;
    const HRESULT expanded = nested_.Expand(*item);
    // An object that cannot be described stays closed; why is nobody's error info.
    if (FAILED(expanded)) ole::ClearErrorInfo();
    if (expanded != S_OK) return false;
    stale_ = true;
    return true;
}

bool ListRows::Collapse(size_t row) noexcept {
    const PropertyItem* item = ItemAt(row);
    if (!item || !nested_.IsExpanded(*item)) return false;
    CollapseItem(*item);
    return true;
}

bool ListRows::ItemChanged(const PropertyItem& item) noexcept {
    stale_ = true;
    if (!nested_.HoldsAnotherObject(item)) return false;
    CollapseItem(item);
    return true;
}

void ListRows::CollapseItem(const PropertyItem& item) noexcept {
    // The selection must not be left on an item about to be freed.
    if (selectedItem_ && nested_.IsUnder(*selectedItem_, item)) selectedItem_ = &item;
    nested_.Collapse(item);
    stale_ = true;
}

size_t ListRows::ParentRow(size_t row) noexcept {
    const std::vector<Row>& rows = Rows();
    if (row >= rows.size() || rows[row].depth == 0) return kNone;
    const unsigned depth = rows[row].depth;
    while (row-- > 0) {
        if (rows[row].depth < depth) return row;
    }
    return kNone;
}

void ListRows::InsertNestedRows() {
    std::vector<Row> arranged;
    arranged.reserve(rows_.size());
    for (const Row& row : rows_) {
        arranged.push_back(row);
        if (row.item) AppendNestedRows(row, arranged);
    }
    rows_ = std::move(arranged);
}

void ListRows::AppendNestedRows(Row parent, std::vector<Row>& into) {
    // The row holds another object now (it was read again): what was opened on the old one goes.
    if (nested_.HoldsAnotherObject(*parent.item)) nested_.Collapse(*parent.item);
    if (!nested_.IsExpanded(*parent.item)) return;
    std::vector<PropertyItem*> under;
    for (const auto& item : nested_.ItemsUnder(*parent.item)) {
        if (item->IsVisible()) under.push_back(item.Get());
    }
    if (alphabetical_) {
        std::stable_sort(under.begin(), under.end(), [](const PropertyItem* left, const PropertyItem* right) {
            return lstrcmpiW(left->Description().name.c_str(), right->Description().name.c_str()) < 0;
        });
    }
    for (PropertyItem* item : under) {
        into.push_back(Row{item, parent.group, parent.depth + 1});
        AppendNestedRows(into.back(), into);
    }
}

}  // namespace proplist
