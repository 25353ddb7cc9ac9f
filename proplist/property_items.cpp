#include "proplist/property_items.h"

#include "ole/com_enumerator.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "proplist/list_errors.h"

namespace proplist {

namespace {

// The enumerator hands out each item as For Each expects it, a Variant holding its IDispatch.
struct ItemEnumeration {
    using Element = VARIANT;
    using Stored = ole::ComPtr<PropertyItem>;
    static HRESULT CopyOut(const Stored& from, VARIANT& to) noexcept {
        V_VT(&to) = VT_DISPATCH;
        V_DISPATCH(&to) = static_cast<IPropertyItem*>(from.Get());
        V_DISPATCH(&to)->AddRef();
        return S_OK;
    }
    static void Free(VARIANT& element) noexcept { VariantClear(&element); }
};

}  // namespace

std::span<const ole::InterfaceEntry> PropertyItems::InterfaceTable() noexcept {
    static constexpr ole::InterfaceEntry table[] = {
        ole::Implements<PropertyItems, IPropertyItems>(),
        ole::Implements<PropertyItems, IDispatch, IPropertyItems>(),
        ole::Implements<PropertyItems, ISupportErrorInfo>(),
    };
    return table;
}

PropertyItems::~PropertyItems() {
    for (const auto& item : Items()) item->SetOwner(nullptr);
}

const PropertyItems::ItemList& PropertyItems::Items() const noexcept {
    static const ItemList none;
    return items_ ? *items_ : none;
}

void PropertyItems::Append(std::vector<ole::ComPtr<PropertyItem>> added) {
    if (!items_ || items_.use_count() > 1) items_ = std::make_shared<ItemList>(Items());
    items_->reserve(items_->size() + added.size());
    byKey_.Reserve(items_->size() + added.size());
    for (auto& item : added) {
        byKey_.Add(item->Description().name, items_->size());
        item->SetOwner(this);
        items_->push_back(std::move(item));
    }
    if (observer_) observer_->ItemsReplaced();
}

std::vector<ole::ComPtr<PropertyItem>> PropertyItems::TakeAll() noexcept {
    // Out of the collection first: releasing the last reference to an item may re-enter.
    const std::shared_ptr<ItemList> removed = std::exchange(items_, nullptr);
    byKey_.Clear();
    if (removed) {
        for (const auto& item : *removed) item->SetOwner(nullptr);
    }
    if (observer_) observer_->ItemsReplaced();
    // Items an enumerator still holds stay its own until it goes.
    if (!removed || removed.use_count() > 1) return {};
    return std::move(*removed);
}

void PropertyItems::ItemChanged(PropertyItem& item) noexcept {
    if (observer_) observer_->ItemChanged(item);
}

void PropertyItems::ItemEdited(PropertyItem& item, const VARIANT& before) noexcept {
    if (observer_) observer_->ItemEdited(item, before);
}

PropertyItem* PropertyItems::Named(std::wstring_view name) const {
    const size_t found = byKey_.Find(name);
    return found == ItemKeyIndex::kNotFound ? nullptr : Items()[found].Get();
}

PropertyItem* PropertyItems::Find(const VARIANT& key) const {
    const VARIANT* given = &key;
    if (V_VT(given) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(given)) given = V_VARIANTREF(given);
    if (V_VT(given) == VT_BSTR || V_VT(given) == (VT_BSTR | VT_BYREF)) {
        const BSTR name = V_VT(given) == VT_BSTR ? V_BSTR(given) : *V_BSTRREF(given);
        const size_t found = byKey_.Find({name ? name : L"", SysStringLen(name)});
        return found == ItemKeyIndex::kNotFound ? nullptr : Items()[found].Get();
    }
    ole::Variant position;
    if (FAILED(ole::ChangeType(position, *given, VT_I4))) return nullptr;
    const LONG index = V_I4(&position.Get());
    if (index < 1 || static_cast<size_t>(index) > Size()) return nullptr;
    return Items()[static_cast<size_t>(index) - 1].Get();
}

HRESULT PropertyItems::get_Item(VARIANT key, IPropertyItem** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    return ole::Guarded([&]() -> HRESULT {
        PropertyItem* found = Find(key);
        if (!found) return RaiseListError(kErrorNoSuchItem, IID_IPropertyItems);
        ole::ComPtr<IPropertyItem> handed(found);
        *item = handed.Detach();
        return S_OK;
    });
}

HRESULT PropertyItems::get_Count(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(Size());
    return S_OK;
}

HRESULT PropertyItems::Exists(VARIANT key, LONG* exists) {
    if (!exists) return E_POINTER;
    *exists = 0;
    return ole::Guarded([&]() -> HRESULT {
        *exists = Find(key) ? 1 : 0;
        return S_OK;
    });
}

HRESULT PropertyItems::Clear() {
    RemoveAll();
    if (observer_) observer_->ItemsCleared();
    return S_OK;
}

HRESULT PropertyItems::get__NewEnum(IUnknown** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return ole::Guarded([&]() -> HRESULT {
        // Over the items as they are now: clearing the list while a caller walks it neither ends
        // nor disturbs the walk.
        if (!items_) items_ = std::make_shared<ItemList>();
        ole::ComPtr<IEnumVARIANT> made;
        RETURN_IF_FAILED((ole::ComEnumerator<IEnumVARIANT, ItemEnumeration>::Create(items_, made.Put())));
        *enumerator = made.Detach();
        return S_OK;
    });
}

}  // namespace proplist
