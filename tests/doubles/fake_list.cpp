#include "tests/doubles/fake_list.h"

#include "ole/arguments.h"
#include "ole/com_enumerator.h"
#include "ole/error_info.h"
#include "ole/event_connection.h"
#include "ole/type_library.h"

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

HRESULT ListState::Enter(std::wstring entry, const std::wstring& member) {
    log.push_back(std::move(entry));
    const auto found = failures.find(member);
    if (found == failures.end()) return S_OK;
    ole::PublishErrorInfo(L"FakeList", (L"injected failure of " + member).c_str());
    return found->second;
}

std::span<const InterfaceEntry> FakeItem::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {Implements<FakeItem, IDispatch, IPropertyItem>(),
                                               Implements<FakeItem, IPropertyItem>()};
    return table;
}

FakeItem::FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry)
    : Double("item " + std::string(entry.name.begin(), entry.name.end())), name(entry.name),
      readOnly(entry.readOnly ? VARIANT_TRUE : VARIANT_FALSE), style(entry.style), state_(std::move(state)) {}

HRESULT FakeItem::Enter(const wchar_t* member, const std::wstring& written) const {
    if (Quiet()) return S_OK;
    const std::wstring entry = name + L"." + member;
    const bool write = !written.empty();
    return state_->Enter(write ? entry + L"=" + written : entry, entry + (write ? L".put" : L".get"));
}

HRESULT FakeItem::CopyOut(BSTR& out, const std::wstring& stored) {
    out = SysAllocString(stored.c_str());
    return out ? S_OK : E_OUTOFMEMORY;
}

HRESULT FakeItem::Write(const wchar_t* member, const VARIANT& written, ole::Variant& stored) const {
    RETURN_IF_FAILED(Enter(member, Quiet() ? L"" : Describe(written)));
    return stored.CopyFrom(written);
}

// The item collection: items in order, looked up by name without regard to case, as the control looks them up.
class FakeList::ItemCollection final : public Double<ItemCollection, ole::DispatchImpl<IPropertyItems>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {Implements<ItemCollection, IDispatch, IPropertyItems>(),
                                                   Implements<ItemCollection, IPropertyItems>()};
        return table;
    }

    std::vector<ComPtr<FakeItem>> contents;

    FakeItem* Find(const std::wstring& name) const {
        for (const auto& item : contents) {
            if (SameName(item->name, name)) return item.Get();
        }
        return nullptr;
    }
    IFACEMETHODIMP get_Item(VARIANT key, IPropertyItem** item) override {
        if (!item) return E_POINTER;
        *item = nullptr;
        FakeItem* found = V_VT(&key) == VT_BSTR ? Find(V_BSTR(&key) ? V_BSTR(&key) : L"") : nullptr;
        return found ? ComPtr<IPropertyItem>(found).CopyTo(item) : DISP_E_BADINDEX;
    }
    IFACEMETHODIMP get_Count(LONG*) override { return Unexpected("get_Count"); }
    IFACEMETHODIMP Exists(VARIANT, LONG*) override { return Unexpected("Exists"); }
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
        using Enumerator = ole::ComEnumerator<IEnumVARIANT, ole::VariantEnumeration>;
        ComPtr<IEnumVARIANT> made;
        RETURN_IF_FAILED(Enumerator::Create(std::move(snapshot), made.Put()));
        *enumerator = made.Detach();
        return S_OK;
    }

private:
    friend Double;
    explicit ItemCollection(std::shared_ptr<ListState> state) : Double("items"), state_(std::move(state)) {}

    std::shared_ptr<ListState> state_;
};

std::span<const InterfaceEntry> FakeList::InterfaceTable() noexcept {
    static constexpr auto table = ole::JoinInterfaceTables(
        std::array{Implements<FakeList, IDispatch, _Kavella>(), Implements<FakeList, _Kavella>(),
                   Implements<FakeList, IHostReadsValues>()}, ole::ControlInterfaces<FakeList>());
    return table;
}

std::vector<size_t> FakeList::ListenedPositions() {
    std::vector<DISPID> ids;
    EXPECT_EQ(ole::ResolveEventPositions(static_cast<_Kavella*>(this), DIID___Kavella, ids), S_OK);
    std::vector<size_t> listened;
    for (size_t at = 0; at < ids.size(); ++at) {
        if (events_.HasSinksFor(ids[at])) listened.push_back(at);
    }
    return listened;
}

FakeList::FakeList()
    : Double("list"), items_(ItemCollection::Make(state_)), events_(static_cast<_Kavella*>(this), state_) {}

FakeList::~FakeList() { EndControl(); }

std::vector<std::wstring> FakeList::LogStartingWith(const std::wstring& prefix) const {
    std::vector<std::wstring> matching;
    std::ranges::copy_if(state_->log, std::back_inserter(matching),
                         [&](const std::wstring& entry) { return entry.starts_with(prefix); });
    return matching;
}

FakeItem* FakeList::Item(const std::wstring& name) const { return items_->Find(name); }

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
    state_->log.push_back(L"PropertyItems");
    return ComPtr<IPropertyItems>(items_.Get()).CopyTo(items);
}

IFACEMETHODIMP FakeList::PopulateFromObject(VARIANT object) {
    populatedFrom_.push_back(V_VT(&object) == VT_DISPATCH ? V_DISPATCH(&object) : nullptr);
    RETURN_IF_FAILED(state_->Enter(L"PopulateFromObject", L"PopulateFromObject"));
    for (const CatalogueEntry& entry : catalogue_) items_->contents.push_back(FakeItem::Make(state_, entry));
    return S_OK;
}

}  // namespace doubles
