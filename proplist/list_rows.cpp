#include "proplist/list_rows.h"

#include "ole/hresult.h"

#include <algorithm>

namespace proplist {

namespace {

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered(text);
    if (!lowered.empty()) CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
    return lowered;
}

bool StartsWith(const std::wstring& name, const std::wstring& prefix) {
    if (prefix.size() > name.size()) return false;
    return CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

const std::vector<Row>& ListRows::Rows() noexcept {
    if (stale_) Rebuild();
    return rows_;
}

void ListRows::Rebuild() noexcept {
    stale_ = false;
    PropertyItems& items = source_.Items();
    rows_.clear();
    groups_.clear();
    hasCategories_ = false;
    selectedRow_ = kNone;
    ole::Guarded([&] {
        rows_.reserve(items.Size());
        const std::wstring wanted = Lowered(filter_);
        for (size_t i = 0; i < items.Size(); ++i) {
            PropertyItem& item = items.At(i);
            if (item.Description().category) hasCategories_ = true;
            if (!item.IsVisible()) continue;
            if (!wanted.empty() && Lowered(item.Description().name).find(wanted) == std::wstring::npos) continue;
            rows_.push_back(Row{&item, 0, 0});
        }
        if (alphabetical_) {
            std::stable_sort(rows_.begin(), rows_.end(), [](const Row& left, const Row& right) {
                return lstrcmpiW(left.item->Description().name.c_str(), right.item->Description().name.c_str()) < 0;
            });
        }
        if (categorized_ && hasCategories_) ArrangeInGroups();
        if (!nested_.Empty()) InsertNestedRows();
        return S_OK;
    });
    FindSelection();
    if (top_ >= rows_.size()) top_ = rows_.empty() ? 0 : rows_.size() - 1;
    source_.RowsRebuilt();
}

void ListRows::FindSelection() noexcept {
    for (size_t row = 0; row < rows_.size() && (selectedItem_ || selectedGroup_); ++row) {
        const Row& each = rows_[row];
        if (each.item ? each.item == selectedItem_ : selectedGroup_ && *groups_[each.group].name == *selectedGroup_) {
            selectedRow_ = row;
            return;
        }
    }
    selectedItem_ = nullptr;
    selectedGroup_.reset();
}

PropertyItem* ListRows::ItemAt(size_t row) noexcept {
    const std::vector<Row>& rows = Rows();
    return row < rows.size() ? rows[row].item : nullptr;
}

void ListRows::Reset() noexcept {
    stale_ = true;
    nested_.Clear();
    selectedItem_ = nullptr;
    selectedGroup_.reset();
    selectedRow_ = kNone;
    top_ = 0;
}

bool ListRows::SetFilter(std::wstring filter) {
    if (filter == filter_) return false;
    filter_ = std::move(filter);
    stale_ = true;
    top_ = 0;
    return true;
}

void ListRows::SetAlphabetical(bool alphabetical) noexcept {
    if (alphabetical == alphabetical_) return;
    alphabetical_ = alphabetical;
    stale_ = true;
}

size_t ListRows::Selected() noexcept {
    Rows();
    return selectedRow_;
}

void ListRows::Select(size_t row) noexcept {
    const RowGroup* header = HeaderAt(row);
    selectedItem_ = ItemAt(row);
    selectedGroup_ = header ? header->name : nullptr;
    selectedRow_ = selectedItem_ || header ? row : kNone;
}

size_t ListRows::Top() noexcept {
    Rows();
    return top_;
}

size_t ListRows::ClampTop(size_t top, size_t page) noexcept {
    const size_t count = Count();
    const size_t highest = count > page ? count - page : 0;
    return std::min(top, highest);
}

size_t ListRows::TopShowing(size_t row, size_t page) noexcept {
    const size_t top = Top();
    if (row == kNone || row < top) return row == kNone ? top : row;
    if (row >= top + page) return row + 1 - page;
    return top;
}

size_t ListRows::FindTyped(wchar_t typed, DWORD now) {
    if (now - lastTyped_ > kTypeAheadPause) typed_.clear();
    lastTyped_ = now;
    typed_.push_back(typed);
    const size_t count = Count();
    const size_t selected = Selected();
    // A new search starts after the selection; a longer prefix may still match the selection.
    const size_t first = selected == kNone ? 0 : (typed_.size() == 1 ? selected + 1 : selected);
    for (size_t step = 0; step < count; ++step) {
        const size_t row = (first + step) % count;
        const PropertyItem* item = ItemAt(row);
        if (item && StartsWith(item->Description().name, typed_)) return row;
    }
    return kNone;
}

}  // namespace proplist
