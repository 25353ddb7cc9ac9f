#pragma once

#include "ole/com_ptr.h"
#include "ole/property_notify_connection.h"
#include "proplist/property_item.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace proplist {

// Whom the nested items tell of their changes.
class NestedSite : public ItemOwner {
public:
    // Held while a change an object reported is read: its handlers may let go of the list.
    virtual IUnknown* Lifeline() noexcept = 0;

protected:
    ~NestedSite() = default;
};

// The objects that items hold as values, opened up as items of their own: an expanded item owns
// the items of its object, made when it is expanded and freed when it collapses. These items are
// not the list's (not in its collection, not written by whoever binds the list): an edit of one is
// written to its own object by name and read back from it. An expanded object that reports its
// properties' changes (IPropertyNotifySink) is subscribed to while it is expanded, and what it
// reports is read again into its items as a read, not an edit.
class NestedObjects {
public:
    NestedObjects() = default;
    NestedObjects(const NestedObjects&) = delete;
    NestedObjects& operator=(const NestedObjects&) = delete;
    ~NestedObjects() { Clear(); }

    void SetSite(NestedSite* site) noexcept { site_ = site; }
    // The object the list shows, which no nested row opens again. Only its identity is kept, to
    // compare with: the list does not keep its object alive.
    void SetRoot(IUnknown* object) noexcept;

    bool Empty() const noexcept { return expanded_.empty(); }
    bool IsExpanded(const PropertyItem& item) const noexcept { return expanded_.count(&item) != 0; }
    // The item holds an object that describes itself by type information and is not already open
    // on the way from the list's object down to the item (which would open it forever).
    bool CanExpand(const PropertyItem& item) const noexcept;
    // Makes the items of the object `item` holds; nothing is read from that object before.
    HRESULT Expand(PropertyItem& item) noexcept;
    // Frees the items under `item`, those of its expanded items too; false when it was not expanded.
    bool Collapse(const PropertyItem& item) noexcept;
    void Clear() noexcept;
    // Ends the subscriptions to the expanded objects; their items stay as they are.
    void StopFollowing() noexcept;

    // The items of an expanded item's object in the object's order; empty when not expanded.
    std::span<const ole::ComPtr<PropertyItem>> ItemsUnder(const PropertyItem& item) const noexcept;
    // The expanded item a nested item belongs to; null for the list's own items.
    const PropertyItem* ParentOf(const PropertyItem& item) const noexcept;
    bool IsUnder(const PropertyItem& item, const PropertyItem& ancestor) const noexcept;
    // The expanded item holds an object other than the one it was expanded on.
    bool HoldsAnotherObject(const PropertyItem& item) const noexcept;
    // Writes a nested item's value to its object by name (an object by reference) and stores
    // what the object then holds; S_FALSE for an item that is not nested.
    HRESULT WriteBack(PropertyItem& item) noexcept;

    // The names from the list's own item down to `item`, each among the items of the object the
    // one before holds (just its name for one of the list's own items).
    HRESULT PathOf(const PropertyItem& item, std::vector<std::wstring>& path) const noexcept;
    // The item `names` lead to from `top` down through expanded items, or null when one on the
    // way is not expanded or has no item of that name.
    PropertyItem* ItemAlong(PropertyItem& top, std::span<const std::wstring> names) const noexcept;

private:
    struct Node {
        ole::ComPtr<PropertyItem> expanded;  // keeps the key alive
        ole::ComPtr<IDispatch> object;
        ole::ComPtr<IUnknown> identity;
        std::vector<ole::ComPtr<PropertyItem>> items;
        unsigned long expansion = 0;  // tells this node from a later one on the same item
        // Last, so that it is unadvised before the object and the items go.
        ole::PropertyNotifyConnection changes;
    };
    const Node* NodeOwning(const PropertyItem& item) const noexcept;
    // The node of that expansion of `expanded`, unless it was collapsed since.
    const Node* NodeOf(const PropertyItem* expanded, unsigned long expansion) const noexcept;
    void Follow(const PropertyItem& expanded, Node& node) noexcept;
    void ReadReportedChange(const PropertyItem* expanded, unsigned long expansion, DISPID id) noexcept;

    std::unordered_map<const PropertyItem*, std::unique_ptr<Node>> expanded_;
    std::unordered_map<const PropertyItem*, const PropertyItem*> parents_;  // nested item -> expanded item
    const void* root_ = nullptr;  // compared, never used
    NestedSite* site_ = nullptr;
    unsigned long expansions_ = 0;
};

}  // namespace proplist
