#include "proplist/nested_objects.h"

#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/error_suppression.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "proplist/item_generator.h"
#include "proplist/shown_object.h"

#include <algorithm>

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
        // Subscribed while the node is still only ours: the object may re-enter as it advises.
        Follow(item, *node);
        for (const auto& child : node->items) {
            parents_.emplace(child.Get(), &item);
            child->SetOwner(site_);
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

void NestedObjects::StopFollowing() noexcept {
    // Each unadvise may re-enter and collapse rows: the nodes are looked at again after each.
    for (bool ended = true; ended;) {
        ended = false;
        for (const auto& [key, node] : expanded_) {
            if (!node->changes.IsConnected()) continue;
            node->changes.Disconnect();
            ended = true;
            break;
        }
    }
}

void NestedObjects::Follow(const PropertyItem& expanded, Node& node) noexcept {
    node.expansion = ++expansions_;
    const auto onChanged = [this, key = &expanded, expansion = node.expansion](DISPID id) {
        ReadReportedChange(key, expansion, id);
    };
    // An object that tells of no changes is shown all the same.
    ole::Guarded([&] { return node.changes.Connect(node.object.Get(), onChanged); });
}

const NestedObjects::Node* NestedObjects::NodeOf(const PropertyItem* expanded, unsigned long expansion) const noexcept {
    const auto found = expanded_.find(expanded);
    return found != expanded_.end() && found->second->expansion == expansion ? found->second.get() : nullptr;
}

void NestedObjects::ReadReportedChange(const PropertyItem* expanded, unsigned long expansion, DISPID id) noexcept {
    const ole::ComPtr<IUnknown> lifeline(site_ ? site_->Lifeline() : nullptr);
    // The object may do anything while it answers, collapse these rows too: each step looks again.
    for (size_t i = 0;; ++i) {
        const Node* node = NodeOf(expanded, expansion);
        if (!node || i >= node->items.size()) break;
        const ole::ComPtr<PropertyItem> item = node->items[i];
        if (!IsReported(*item.Get(), id)) continue;
        RereadProperty(node->object.Get(), *item.Get());
        if (id != DISPID_UNKNOWN) break;
    }
    // The failed reads' error info is nobody's.
    ole::ClearErrorInfo();
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

HRESULT NestedObjects::PathOf(const PropertyItem& item, std::vector<std::wstring>& path) const noexcept {
    return ole::Guarded([&] {
        path.clear();
        for (const PropertyItem* step = &item; step; step = ParentOf(*step)) path.push_back(step->Description().name);
        std::reverse(path.begin(), path.end());
        return S_OK;
    });
}

PropertyItem* NestedObjects::ItemAlong(PropertyItem& top, std::span<const std::wstring> names) const noexcept {
    PropertyItem* reached = &top;
    for (const std::wstring& name : names) {
        const auto under = ItemsUnder(*reached);
        const auto found = std::find_if(under.begin(), under.end(),
                                        [&](const auto& item) { return item->Description().name == name; });
        if (found == under.end()) return nullptr;
        reached = found->Get();
    }
    return reached;
}

}  // namespace proplist
