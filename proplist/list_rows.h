#pragma once

#include "proplist/nested_objects.h"
#include "proplist/property_items.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace proplist {

// Where the rows come from, and who hears that they were built again.
class RowSource {
public:
    virtual PropertyItems& Items() noexcept = 0;
    virtual void RowsRebuilt() noexcept = 0;

protected:
    ~RowSource() = default;
};

// One row of the list: an item, or the header of a group of items.
struct Row {
    PropertyItem* item;  // null for a group header
    size_t group;        // for a header: its index in the rows' table of groups
    unsigned depth;      // 0 for the object's own properties, 1.. for nested rows
};

// A category of items as the rows show it: a header, and the items under it when expanded.
struct RowGroup {
    std::shared_ptr<const std::wstring> name;  // the category's, shared with its items
    bool expanded;
};

// The rows of the list apart from its window: which items are rows (the visible ones whose name
// contains the filter, in any case) in what order (the items' own, or by name; grouped under
// their categories' headers when categorized), which row is selected, which row is first in
// view, and where typing a name's first letters leads. Rows are built again when next asked for
// after a change, once for any number of changes.
class ListRows {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    explicit ListRows(RowSource& source) noexcept : source_(source) {}

    // The rows, in view order.
    const std::vector<Row>& Rows() noexcept;
    size_t Count() noexcept { return Rows().size(); }
    // The item of a row, or null when there is no such row or the row is a group's header.
    PropertyItem* ItemAt(size_t row) noexcept;
    // The group whose header a row is, or null when the row is no header.
    const RowGroup* HeaderAt(size_t row) noexcept;
    // The items changed (visibility, names, values): the rows are built again when next needed.
    void Invalidate() noexcept { stale_ = true; }
    // Other items altogether: nothing selected, the view back at the top, nothing expanded.
    // Groups the user collapsed stay collapsed: a list refilled from the same object looks as
    // it was left.
    void Reset() noexcept;

    // The objects shown under expanded rows. The filter applies to the object's own rows; an
    // expanded row's rows follow it wherever it goes, in the same order as the others.
    NestedObjects& Nested() noexcept { return nested_; }
    unsigned DepthOf(size_t row) noexcept { return row < Count() ? Rows()[row].depth : 0; }
    bool IsExpanded(size_t row) noexcept;
    // Whether the row has an expander: expanded, or holding an object that can be.
    bool IsExpandable(size_t row) noexcept;
    // False when there is nothing to do: no such row, already so, or an object that cannot be described.
    bool Expand(size_t row) noexcept;
    // Collapsing frees the rows under it; a selection among them moves to the collapsed row.
    bool Collapse(size_t row) noexcept;
    // An item's value or visibility changed: the rows are built again when next needed, and an
    // expanded item that holds another object now is collapsed at once, so that nothing of the
    // object it held is shown or followed any more. True when it was collapsed.
    bool ItemChanged(const PropertyItem& item) noexcept;
    // The row a nested row belongs to, or kNone.
    size_t ParentRow(size_t row) noexcept;

    const std::wstring& Filter() const noexcept { return filter_; }
    // False when the filter is what it was. A new filter shows its rows from the top.
    bool SetFilter(std::wstring filter);
    bool Alphabetical() const noexcept { return alphabetical_; }
    void SetAlphabetical(bool alphabetical) noexcept;
    // Grouped under the categories' headers, categories in the order first met. Items without
    // a category come first, under no header, so items of an object without categories show
    // exactly as when not grouped.
    bool Categorized() const noexcept { return categorized_; }
    void SetCategorized(bool categorized) noexcept;
    // Whether any item has a category, so that grouping shows headers.
    bool HasCategories() noexcept;
    // Expands or collapses the group of a header row; false when the row is no header or the
    // group already is so. Collapsing the group of the selected item selects its header.
    bool SetExpanded(size_t row, bool expanded) noexcept;

    // The selected row (kNone for none), after the rows are brought up to date: the selection
    // follows its item or header wherever it moves, and is lost when that is no row any more.
    size_t Selected() noexcept;
    PropertyItem* SelectedItem() noexcept { return ItemAt(Selected()); }
    // Whether that item is the one selected, without building the rows.
    bool HoldsSelection(const PropertyItem& item) const noexcept { return &item == selectedItem_; }
    // Selects a row; kNone, or a row that does not exist, selects nothing.
    void Select(size_t row) noexcept;

    // The first row in view.
    size_t Top() noexcept;
    void SetTop(size_t top) noexcept { top_ = top; }
    // `top` kept within what a view of `page` rows can show: the last page is a full one.
    size_t ClampTop(size_t top, size_t page) noexcept;
    // The first row that brings `row` into a view of `page` rows with the least scrolling.
    size_t TopShowing(size_t row, size_t page) noexcept;

    // What the user typed, letter by letter: a pause of `kTypeAheadPause` starts a new search.
    // The row whose name starts with the letters so far, looking from after the selection for a
    // new search and from the selection for a longer one, or kNone. Headers are not searched.
    static constexpr DWORD kTypeAheadPause = 1000;
    size_t FindTyped(wchar_t typed, DWORD now);
    const std::wstring& Typed() const noexcept { return typed_; }

private:
    void Rebuild() noexcept;
    // Orders the rows by group, each group under its header; a collapsed group keeps only that.
    void ArrangeInGroups();
    void FindSelection() noexcept;
    bool IsCollapsed(std::wstring_view group) const noexcept;
    // Puts each expanded row's rows after it, one level deeper, and lets go of objects that
    // their rows no longer hold.
    void InsertNestedRows();
    void AppendNestedRows(Row parent, std::vector<Row>& into);
    void CollapseItem(const PropertyItem& item) noexcept;

    RowSource& source_;
    std::vector<Row> rows_;
    std::vector<RowGroup> groups_;
    std::vector<std::wstring> collapsed_;  // the names of the groups the user collapsed
    NestedObjects nested_;
    bool stale_ = true;
    bool hasCategories_ = false;
    size_t selectedRow_ = kNone;
    const PropertyItem* selectedItem_ = nullptr;
    std::shared_ptr<const std::wstring> selectedGroup_;  // the name of the group whose header is selected
    size_t top_ = 0;
    std::wstring filter_;
    bool alphabetical_ = false;
    bool categorized_ = false;
    std::wstring typed_;
    DWORD lastTyped_ = 0;
};

}  // namespace proplist
