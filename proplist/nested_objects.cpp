#include "proplist/nested_objects.h"

#include "ole/bstr.h"
#include "ole/error_suppression.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "proplist/item_generator.h"

namespace proplist {

namespace {

// The object an item's value refers to, or null.
IDispatch* ObjectIn(const PropertyItem& item) noexcept {
    const VARIANT& value = item.CurrentValue();
    return V_VT(&value) == VT_DISPATCH ? V_DISPATCH(&value) : nullptr;
}

ole::ComPtr<IUnknown> IdentityOf(IUnknown* object) noexcept {
    ole::ComPtr<IUnknown> identity;
    if (object) object->QueryInterface(IID_IUnknown, identity.PutVoid());
    return identity;
}

bool DescribesItself(IDispatch* object) noexcept {
    UINT count = 0;
    ole::ComPtr<ITypeInfo> info;
    return SUCCEEDED(object->GetTypeInfoCount(&count)) && count > 0 &&
           SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put())) && info;
}

}  // namespace

void NestedObjects::SetRoot(IUnknown* object) noexcept { root_ = IdentityOf(object).Get(); }

const NestedObjects::Node* NestedObjects::NodeOwning(const PropertyItem& item) const noexcept {
    const PropertyItem* parent = ParentOf(item);
    if (!parent) return nullptr;
    const auto found = expanded_.find(parent);
    return found == expanded_.end() ? nullptr : found->second.get();
}

const PropertyItem* NestedObjects::ParentOf(const PropertyItem& item) const noexcept {
    const auto found = parents_.find(&item);
    return found == parents_.end() ? nullptr : found->second;
}

bool NestedObjects::IsUnder(const PropertyItem& item, const PropertyItem& ancestor) const noexcept {
    for (const PropertyItem* parent = ParentOf(item); parent; parent = ParentOf(*parent)) {
        if (parent == &ancestor) return true;
    }
    return false;
}

bool NestedObjects::CanExpand(const PropertyItem& item) const noexcept {
    IDispatch* object = ObjectIn(item);
    if (!object) return false;
    const ole::ComPtr<IUnknown> identity = IdentityOf(object);
    if (!identity || identity.Get() == root_) return false;
    for (const Node* node = NodeOwning(item); node; node = NodeOwning(*node->expanded.Get())) {
        if (node->identity == identity) return false;
    }
    return DescribesItself(object);
}

HRESULT NestedObjects::Expand(PropertyItem& item) noexcept {
    if (IsExpanded(item)) return S_FALSE;
    if (!CanExpand(item)) return E_INVALIDARG;
    return ole::Guarded([&]() -> HRESULT {
        auto node = std::make_unique<Node>();
        node->expanded = &item;
        node->object = ObjectIn(item);
        node->identity = IdentityOf(node->object.Get());
        RETURN_IF_FAILED(GenerateItems(node->object.Get(), node->items));
        expanded_.reserve(expanded_.size() + 1);
        parents_.reserve(parents_.size() + node->items.size());
        for (const auto& child : node->items) {
            parents_.emplace(child.Get(), &item);
            child->SetOwner(owner_);
        }
        expanded_.emplace(&item, std::move(node));
        return S_OK;
    });
}

bool NestedObjects::Collapse(const PropertyItem& item) noexcept {
    const auto found = expanded_.find(&item);
    if (found == expanded_.end()) return false;
    // Out of the tables first: releasing an item or the object may re-enter.
    const std::unique_ptr<Node> node = std::move(found->second);
    expanded_.erase(found);
    for (const auto& child : node->items) {
        Collapse(*child.Get());
        parents_.erase(child.Get());
        child->SetOwner(nullptr);
    }
    return true;
}

void NestedObjects::Clear() noexcept {
    auto expanded = std::move(expanded_);
    expanded_.clear();
    parents_.clear();
    for (const auto& [key, node] : expanded) {
        for (const auto& child : node->items) child->SetOwner(nullptr);
    }
}

std::span<const ole::ComPtr<PropertyItem>> NestedObjects::ItemsUnder(const PropertyItem& item) const noexcept {
    const auto found = expanded_.find(&item);
    if (found == expanded_.end()) return {};
    return found->second->items;
}

bool NestedObjects::HoldsAnotherObject(const PropertyItem& item) const noexcept {
    const auto found = expanded_.find(&item);
    return found != expanded_.end() && IdentityOf(ObjectIn(item)) != found->second->identity;
}

HRESULT NestedObjects::WriteBack(PropertyItem& item) noexcept {
    const Node* node = NodeOwning(item);
    if (!node) return S_FALSE;
    // Held: storing the value read back tells the list, whose handlers may collapse the row.
    const ole::ComPtr<PropertyItem> held(&item);
    const ole::ComPtr<IDispatch> object = node->object;
    const wchar_t* name = item.Description().name.c_str();
    // As the engine does for the list's own items: a value the object refuses does not stay
    // shown, whatever the object holds afterwards is.
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] { return ole::PutProperty(object.Get(), name, item.CurrentValue()); });
    const HRESULT written = suppress.Error();
    suppress.Attempt([&]() -> HRESULT {
        ole::Variant readBack;
        RETURN_IF_FAILED(ole::GetProperty(object.Get(), name, readBack));
        return item.StoreValue(readBack.Get());
    });
    return written;
}

}  // namespace proplist
