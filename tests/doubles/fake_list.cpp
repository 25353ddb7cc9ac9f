#include "tests/doubles/fake_list.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/com_enumerator.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/type_library.h"

#include <olectl.h>

#include <algorithm>
#include <new>
#include <utility>

namespace doubles {

using ole::ComPtr;
using ole::Implements;
using ole::InterfaceEntry;

std::wstring Describe(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY: return L"Empty";
    case VT_NULL: return L"Null";
    case VT_BOOL:
        if (V_BOOL(&value) == VARIANT_TRUE) return L"True";
        return V_BOOL(&value) ? L"Bool(" + std::to_wstring(V_BOOL(&value)) + L")" : L"False";
    case VT_BSTR: return L"'" + std::wstring(V_BSTR(&value) ? V_BSTR(&value) : L"") + L"'";
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? L"object" : L"Nothing";
    default: return ole::TextOf(value).value_or(L"?");
    }
}

HRESULT ListState::Fail(const std::wstring& member) const {
    const auto found = failures.find(member);
    if (found == failures.end()) return S_OK;
    ole::PublishErrorInfo(L"FakeList", (L"injected failure of " + member).c_str());
    return found->second;
}

IFACEMETHODIMP LoggingConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (cookie) *cookie = 0;
    state_->log.push_back(L"Advise");
    RETURN_IF_FAILED(state_->Fail(L"Advise"));
    return ConnectionPoint::Advise(sink, cookie);
}

IFACEMETHODIMP LoggingConnectionPoint::Unadvise(DWORD cookie) {
    state_->log.push_back(L"Unadvise");
    return ConnectionPoint::Unadvise(cookie);
}

// The item collection: items in order, lookup by case-insensitive name.
class FakeList::ItemCollection final : public Double<ItemCollection, ole::DispatchImpl<IPropertyItems>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {Implements<ItemCollection, IDispatch, IPropertyItems>(),
                                                   Implements<ItemCollection, IPropertyItems>()};
        return table;
    }

    std::vector<ComPtr<FakeItem>> contents;

    IFACEMETHODIMP get_Item(VARIANT key, IPropertyItem** item) override {
        if (!item) return E_POINTER;
        *item = nullptr;
        FakeItem* found = Find(key);
        if (!found) return DISP_E_BADINDEX;
        return ComPtr<IPropertyItem>(found).CopyTo(item);
    }
    IFACEMETHODIMP get_Count(LONG*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Exists(VARIANT key, LONG* exists) override {
        if (!exists) return E_POINTER;
        *exists = Find(key) ? 1 : 0;
        return S_OK;
    }
    IFACEMETHODIMP Clear() override {
        state_->log.push_back(L"Clear");
        std::vector<ComPtr<FakeItem>> removed = std::exchange(contents, {});
        return S_OK;
    }
    // Over a snapshot of the items, so that changes to the list during a walk are harmless.
    IFACEMETHODIMP get__NewEnum(IUnknown** enumerator) override {
        if (!enumerator) return E_POINTER;
        *enumerator = nullptr;
        std::vector<ole::Variant> snapshot;
        for (const auto& item : contents) snapshot.emplace_back(static_cast<IDispatch*>(item.Get()));
        ComPtr<IEnumVARIANT> made;
        RETURN_IF_FAILED(
            (ole::ComEnumerator<IEnumVARIANT, ole::VariantEnumeration>::Create(std::move(snapshot), made.Put())));
        *enumerator = made.Detach();
        return S_OK;
    }

private:
    friend Double;
    explicit ItemCollection(std::shared_ptr<ListState> state) : Double("items"), state_(std::move(state)) {}

    // By name only: the control looks items up by their names.
    FakeItem* Find(const VARIANT& key) const {
        if (V_VT(&key) != VT_BSTR) return nullptr;
        for (const auto& item : contents) {
            if (SameName(item->ItemName(), V_BSTR(&key) ? V_BSTR(&key) : L"")) return item.Get();
        }
        return nullptr;
    }

    std::shared_ptr<ListState> state_;
};

std::span<const InterfaceEntry> FakeList::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {
        Implements<FakeList, IDispatch, _Kavella>(),
        Implements<FakeList, _Kavella>(),
        Implements<FakeList, IConnectionPointContainer>(),
        Implements<FakeList, IOleObject>(),
        Implements<FakeList, IOleInPlaceObject>(),
        Implements<FakeList, IOleWindow, IOleInPlaceObject>(),
    };
    return table;
}

FakeList::FakeList()
    : Double("list"),
      items_(ItemCollection::Make(state_)),
      events_(static_cast<IConnectionPointContainer*>(this), state_) {}

std::vector<std::wstring> FakeList::LogStartingWith(const std::wstring& prefix) const {
    std::vector<std::wstring> matching;
    for (const std::wstring& entry : state_->log) {
        if (entry.compare(0, prefix.size(), prefix) == 0) matching.push_back(entry);
    }
    return matching;
}

FakeItem* FakeList::Item(const std::wstring& name) const {
    for (const auto& item : items_->contents) {
        if (SameName(item->ItemName(), name)) return item.Get();
    }
    return nullptr;
}

std::vector<FakeItem*> FakeList::Items() const {
    std::vector<FakeItem*> items;
    for (const auto& item : items_->contents) items.push_back(item.Get());
    return items;
}

HRESULT FakeList::RaiseEvent(const wchar_t* name, std::vector<VARIANT> arguments) {
    ComPtr<ITypeInfo> events;
    RETURN_IF_FAILED(ole::GetModuleTypeInfo(DIID___Kavella, events));
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    RETURN_IF_FAILED(events->GetIDsOfNames(names, 1, &id));
    return ole::FireDispatchEvent(events_, id, arguments);
}

HRESULT FakeList::RaiseItemChanged(FakeItem* item) {
    IDispatch* passed = item;
    return RaiseEvent(L"ItemChanged", {ole::ObjectReference(&passed)});
}

IFACEMETHODIMP FakeList::get_PropertyItems(IPropertyItems** items) {
    if (!items) return E_POINTER;
    *items = nullptr;
    state_->log.push_back(L"PropertyItems");
    return ComPtr<IPropertyItems>(items_.Get()).CopyTo(items);
}

IFACEMETHODIMP FakeList::PopulateFromObject(VARIANT object) {
    state_->log.push_back(L"PopulateFromObject");
    populatedFrom_.push_back(V_VT(&object) == VT_DISPATCH ? V_DISPATCH(&object) : nullptr);
    RETURN_IF_FAILED(state_->Fail(L"PopulateFromObject"));
    for (const CatalogueEntry& entry : catalogue_) items_->contents.push_back(FakeItem::Make(state_, entry));
    return S_OK;
}

IFACEMETHODIMP FakeList::put_Redraw(VARIANT_BOOL redraw) {
    state_->log.push_back(L"Redraw=" + std::to_wstring(redraw));
    return S_OK;
}

IFACEMETHODIMP FakeList::putref_Font(IFontDisp*) {
    state_->log.push_back(L"Font");
    return S_OK;
}

IFACEMETHODIMP FakeList::put_Enabled(VARIANT_BOOL enabled) {
    state_->log.push_back(L"Enabled=" + std::to_wstring(enabled));
    return S_OK;
}

IFACEMETHODIMP FakeList::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID___Kavella) return CONNECT_E_NOCONNECTION;
    return ComPtr<IConnectionPoint>(&events_).CopyTo(point);
}

std::span<const InterfaceEntry> FakeItem::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {Implements<FakeItem, IDispatch, IPropertyItem>(),
                                               Implements<FakeItem, IPropertyItem>()};
    return table;
}

FakeItem::FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry)
    : Double("item " + std::string(entry.name.begin(), entry.name.end())),
      state_(std::move(state)),
      name_(entry.name),
      readOnly_(entry.readOnly ? VARIANT_TRUE : VARIANT_FALSE),
      style_(entry.style) {}

void FakeItem::SetStoredValue(const VARIANT& value) {
    if (FAILED(value_.CopyFrom(value))) throw std::bad_alloc();
}

void FakeItem::SetStoredModified(const VARIANT& marker) {
    if (FAILED(modified_.CopyFrom(marker))) throw std::bad_alloc();
}

HRESULT FakeItem::Enter(const std::wstring& member, const std::wstring& written) const {
    if (Quiet()) return S_OK;
    state_->log.push_back(name_ + L"." + member + (written.empty() ? L"" : L"=" + written));
    return state_->Fail(name_ + L"." + member + (written.empty() ? L".get" : L".put"));
}

HRESULT FakeItem::ReadVariant(const wchar_t* member, VARIANT* out, const ole::Variant& stored) const {
    if (!out) return E_POINTER;
    VariantInit(out);
    RETURN_IF_FAILED(Enter(member));
    return ole::CopyVariant(out, stored.Get());
}

HRESULT FakeItem::WriteVariant(const wchar_t* member, const VARIANT& written, ole::Variant& stored) const {
    RETURN_IF_FAILED(Enter(member, Quiet() ? L"" : Describe(written)));
    return stored.CopyFrom(written);
}

IFACEMETHODIMP FakeItem::get_Name(BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    RETURN_IF_FAILED(Enter(L"Name"));
    *name = SysAllocString(name_.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP FakeItem::put_Visible(VARIANT_BOOL visible) {
    RETURN_IF_FAILED(Enter(L"Visible", Quiet() ? L"" : std::to_wstring(visible)));
    visible_ = visible;
    return S_OK;
}

}  // namespace doubles
