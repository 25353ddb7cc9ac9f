#include "proplist/list_rows.h"

#include "ole/hresult.h"

#include <algorithm>
#include <map>

// The rows grouped under their categories' headers, and the groups expanded and collapsed.
namespace proplist {

void ListRows::SetCategorized(bool categorized) noexcept {
    if (categorized == categorized_) return;
    categorized_ = categorized;
    stale_ = true;
}

bool ListRows::HasCategories() noexcept {
    Rows();
    return hasCategories_;
}

const RowGroup* ListRows::HeaderAt(size_t row) noexcept {
    const std::vector<Row>& rows = Rows();
    return row < rows.size() && !rows[row].item ? &groups_[rows[row].group] : nullptr;
}

bool ListRows::IsCollapsed(std::wstring_view group) const noexcept {
    return std::find(collapsed_.begin(), collapsed_.end(), group) != collapsed_.end();
}

bool ListRows::SetExpanded(size_t row, bool expanded) noexcept {
    const RowGroup* header = HeaderAt(row);
    if (!header || header->expanded == expanded) return false;
    const std::shared_ptr<const std::wstring> name = header->name;
    const HRESULT remembered = ole::Guarded([&] {
        if (expanded) std::erase(collapsed_, *name);
        else collapsed_.push_back(*name);
        return S_OK;
    });
    if (FAILED(remembered)) return false;
    // The selected item would vanish with its group: its header takes the selection.
    const PropertyItem* selected = SelectedItem();
    if (!expanded && selected && selected->Description().category &&
        *selected->Description().category == *name) {
        selectedItem_ = nullptr;
        selectedGroup_ = name;
    }
    stale_ = true;
    return true;
}

void ListRows::ArrangeInGroups() {
    // Groups in the order first met; views into the items' category names, which outlive this.
    std::map<std::wstring_view, size_t> byName;
    std::vector<size_t> groupOf(rows_.size(), kNone);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const std::shared_ptr<const std::wstring>& category = rows_[i].item->Description().category;
        if (!category) continue;
        const auto [found, added] = byName.try_emplace(*category, groups_.size());
        if (added) groups_.push_back(RowGroup{category, !IsCollapsed(*category)});
        groupOf[i] = found->second;
    }
    std::vector<std::vector<Row>> members(groups_.size());
    std::vector<Row> arranged;
    arranged.reserve(rows_.size() + groups_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (groupOf[i] == kNone) arranged.push_back(rows_[i]);
        else if (groups_[groupOf[i]].expanded) members[groupOf[i]].push_back(rows_[i]);
    }
    for (size_t group = 0; group < groups_.size(); ++group) {
        arranged.push_back(Row{nullptr, group, 0});
        arranged.insert(arranged.end(), members[group].begin(), members[group].end());
    }
    rows_ = std::move(arranged);
}

}  // namespace proplist
