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

const std::vector<size_t>& ListRows::Positions() noexcept {
    if (stale_) Rebuild();
    return positions_;
}

void ListRows::Rebuild() noexcept {
    stale_ = false;
    const PropertyItems& items = source_.Items();
    positions_.clear();
    selectedRow_ = kNone;
    ole::Guarded([&] {
        positions_.reserve(items.Size());
        const std::wstring wanted = Lowered(filter_);
        for (size_t i = 0; i < items.Size(); ++i) {
            const PropertyItem& item = items.At(i);
            if (!item.IsVisible()) continue;
            if (!wanted.empty() && Lowered(item.Description().name).find(wanted) == std::wstring::npos) continue;
            positions_.push_back(i);
        }
        if (alphabetical_) {
            std::stable_sort(positions_.begin(), positions_.end(), [&](size_t left, size_t right) {
                return lstrcmpiW(items.At(left).Description().name.c_str(),
                                 items.At(right).Description().name.c_str()) < 0;
            });
        }
        for (size_t row = 0; row < positions_.size() && selectedItem_; ++row) {
            if (&items.At(positions_[row]) == selectedItem_) {
                selectedRow_ = row;
                break;
            }
        }
        return S_OK;
    });
    if (selectedRow_ == kNone) selectedItem_ = nullptr;
    if (top_ >= positions_.size()) top_ = positions_.empty() ? 0 : positions_.size() - 1;
    source_.RowsRebuilt();
}

PropertyItem* ListRows::ItemAt(size_t row) noexcept {
    const std::vector<size_t>& positions = Positions();
    return row < positions.size() ? &source_.Items().At(positions[row]) : nullptr;
}

void ListRows::Reset() noexcept {
    stale_ = true;
    selectedItem_ = nullptr;
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
    Positions();
    return selectedRow_;
}

void ListRows::Select(size_t row) noexcept {
    PropertyItem* item = ItemAt(row);
    selectedItem_ = item;
    selectedRow_ = item ? row : kNone;
}

size_t ListRows::Top() noexcept {
    Positions();
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
        if (StartsWith(ItemAt(row)->Description().name, typed_)) return row;
    }
    return kNone;
}

}  // namespace proplist
