#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "ole/dispatch_impl.h"
#include "proplist/item_key_index.h"
#include "proplist/property_item.h"

#include "kavella.h"

#include <memory>
#include <span>
#include <vector>

namespace proplist {

// Told when the collection's contents change.
class ItemsObserver {
public:
    virtual void ItemsReplaced() noexcept = 0;
    // The collection's user emptied it (Clear).
    virtual void ItemsCleared() noexcept = 0;
    virtual void ItemChanged(PropertyItem& item) noexcept = 0;
    virtual void ItemEdited(PropertyItem& /*item*/, const VARIANT& /*before*/) noexcept {}

protected:
    ~ItemsObserver() = default;
};

// The list's items in their order, found by 1-based position or by name. Names are keys as in
// a VB collection: compared without regard to case, looked up in constant time; when two items
// share a name, the first one answers to it.
class PropertyItems final : public ole::ComObject<PropertyItems, ole::DispatchImpl<IPropertyItems>,
                                                  ole::SupportErrorInfoImpl<IPropertyItems>>,
                            private ItemOwner {
public:
    PropertyItems() = default;

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    // The list that shows the items; it lets go (null) before it goes.
    void SetObserver(ItemsObserver* observer) noexcept { observer_ = observer; }
    size_t Size() const noexcept { return Items().size(); }
    PropertyItem& At(size_t index) const noexcept { return *Items()[index].Get(); }
    // The item that answers to `name`, or null.
    PropertyItem* Named(std::wstring_view name) const;
    // Adds the items at the end, in order.
    void Append(std::vector<ole::ComPtr<PropertyItem>> added);
    // Empties the collection. Enumerators already made keep what they were made over.
    void RemoveAll() noexcept { TakeAll(); }
    // Empties the collection and hands its items over, no longer reporting to it; items that an
    // enumerator still holds stay with it, and none are handed over.
    std::vector<ole::ComPtr<PropertyItem>> TakeAll() noexcept;

    // IPropertyItems
    IFACEMETHODIMP get_Item(VARIANT key, IPropertyItem** item) override;
    IFACEMETHODIMP get_Count(LONG* count) override;
    IFACEMETHODIMP Exists(VARIANT key, LONG* exists) override;
    IFACEMETHODIMP Clear() override;
    IFACEMETHODIMP get__NewEnum(IUnknown** enumerator) override;

private:
    ~PropertyItems() override;

    void ItemChanged(PropertyItem& item) noexcept override;
    void ItemEdited(PropertyItem& item, const VARIANT& before) noexcept override;
    // The item that `key` names (a name, or a 1-based position), or null.
    PropertyItem* Find(const VARIANT& key) const;

    using ItemList = std::vector<ole::ComPtr<PropertyItem>>;
    const ItemList& Items() const noexcept;

    // Null when empty. Shared with the enumerators made over it, and copied before a change while
    // one is alive: a walk sees the items as they were when it began, without a copy of its own.
    std::shared_ptr<ItemList> items_;
    ItemKeyIndex byKey_;
    ItemsObserver* observer_ = nullptr;
};

}  // namespace proplist
