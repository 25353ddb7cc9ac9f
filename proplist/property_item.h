#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/dispatch_impl.h"
#include "ole/variant.h"
#include "proplist/item_style.h"

#include "kavella.h"

#include <span>

namespace proplist {

class PropertyItem;

// Told when an item's value or visibility changes, so that what shows it can follow.
class ItemOwner {
public:
    virtual void ItemChanged(PropertyItem& item) noexcept = 0;
    // The user's edit replaced `before` (told before ItemChanged); owners that keep no history ignore it.
    virtual void ItemEdited(PropertyItem& /*item*/, const VARIANT& /*before*/) noexcept {}

protected:
    ~ItemOwner() = default;
};

// One property of the list: its description, its value and the marker that belongs to the
// list's user (stored and handed back, never interpreted here).
class PropertyItem final : public ole::ComObject<PropertyItem, ole::DispatchImpl<IPropertyItem>,
                                                 ole::SupportErrorInfoImpl<IPropertyItem>> {
public:
    explicit PropertyItem(ItemDescription description) : description_(std::move(description)) {}

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    const ItemDescription& Description() const noexcept { return description_; }
    const VARIANT& CurrentValue() const noexcept { return value_.Get(); }
    bool IsVisible() const noexcept { return visible_; }
    // The list's user marked the value as edited and not yet written where it belongs.
    bool IsMarkedModified() const noexcept;
    // The item reports its changes to `owner` until it is given another (or none).
    void SetOwner(ItemOwner* owner) noexcept { owner_ = owner; }
    // Stores a value read from the object or committed by the user; the list raises its own
    // events about it. A malformed value is refused and the item keeps the value it had.
    HRESULT StoreValue(const VARIANT& value) noexcept;
    // Takes over a value just read from the object, sparing a copy; a malformed one is a failed
    // read, as in StoreValue.
    void AdoptValue(ole::Variant&& value) noexcept;
    // Stores a value the user committed. The value it replaces is remembered at the user's first
    // edit, so that the user can reset the item to it; a value assigned by code forgets it.
    HRESULT StoreEditedValue(const VARIANT& value) noexcept;
    // Whether only its holder's one reference reaches the item, so that nobody can tell it,
    // once renewed, from a new item with its description.
    bool IsHeldOnce() const noexcept { return ReferenceCount() == 1; }
    // Forgets its value, marker, edits, visibility and owner, as a new item starts.
    void Renew() noexcept;
    bool CanReset() const noexcept { return edited_; }
    const VARIANT& ValueBeforeEdits() const noexcept { return beforeEdits_.Get(); }

    // IPropertyItem
    IFACEMETHODIMP get_Value(VARIANT* value) override;
    IFACEMETHODIMP put_Value(VARIANT value) override;
    IFACEMETHODIMP get_Name(BSTR* name) override;
    IFACEMETHODIMP get_ReadOnly(VARIANT_BOOL* readOnly) override;
    IFACEMETHODIMP get_Style(LONG* style) override;
    IFACEMETHODIMP get_Visible(VARIANT_BOOL* visible) override;
    IFACEMETHODIMP put_Visible(VARIANT_BOOL visible) override;
    IFACEMETHODIMP get_Modified(VARIANT* modified) override;
    IFACEMETHODIMP put_Modified(VARIANT modified) override;

private:
    ~PropertyItem() override = default;
    void Changed() noexcept;

    ItemDescription description_;
    ole::Variant value_;
    ole::Variant modified_;
    ole::Variant beforeEdits_;
    bool edited_ = false;
    bool visible_ = true;
    ItemOwner* owner_ = nullptr;
};

}  // namespace proplist
