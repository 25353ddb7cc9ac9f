#include "tests/doubles/fake_list.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/hresult.h"

#include <olectl.h>

#include <algorithm>
#include <utility>

namespace doubles {

using ole::ComPtr;

namespace {

bool SameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

// The vtable type information of a dual interface (or the dispinterface itself), which
// ITypeInfo::Invoke and GetIDsOfNames work on.
ITypeInfo* TypeInfoOf(REFIID iid) {
    static std::vector<std::pair<IID, ComPtr<ITypeInfo>>> cache;
    for (const auto& [known, info] : cache) {
        if (known == iid) return info.Get();
    }
    ITypeLib* library = KavellaTypeLibrary();
    ComPtr<ITypeInfo> info;
    if (!library || FAILED(library->GetTypeInfoOfGuid(iid, info.Put()))) return nullptr;
    HREFTYPE vtablePart = 0;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtablePart)) &&
        SUCCEEDED(info->GetRefTypeInfo(vtablePart, vtable.Put()))) {
        info = vtable;
    }
    cache.emplace_back(iid, info);
    return info.Get();
}

HRESULT CountOne(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT GiveTypeInfo(REFIID iid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = TypeInfoOf(iid);
    if (!*info) return TYPE_E_ELEMENTNOTFOUND;
    (*info)->AddRef();
    return S_OK;
}

HRESULT NamesToIds(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
    ITypeInfo* info = TypeInfoOf(iid);
    return info ? info->GetIDsOfNames(names, count, ids) : E_UNEXPECTED;
}

HRESULT InvokeThroughTypeInfo(REFIID iid, void* self, DISPID id, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError) {
    ITypeInfo* info = TypeInfoOf(iid);
    return info ? info->Invoke(self, id, kind, parameters, result, exception, argumentError) : E_UNEXPECTED;
}

}  // namespace

ITypeLib* KavellaTypeLibrary() {
    static ComPtr<ITypeLib> library = [] {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        const std::wstring second = std::wstring(path) + L"\\2";
        ComPtr<ITypeLib> loaded;
        LoadTypeLibEx(second.c_str(), REGKIND_NONE, loaded.Put());
        return loaded;
    }();
    return library.Get();
}

std::wstring Describe(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY: return L"Empty";
    case VT_NULL: return L"Null";
    case VT_BOOL: return V_BOOL(&value) == VARIANT_TRUE ? L"True" : V_BOOL(&value) ? L"Bool(" + std::to_wstring(V_BOOL(&value)) + L")" : L"False";
    case VT_BSTR: return L"'" + std::wstring(V_BSTR(&value) ? V_BSTR(&value) : L"") + L"'";
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? L"object" : L"Nothing";
    default: {
        VARIANT text;
        VariantInit(&text);
        if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return L"?";
        std::wstring described = V_BSTR(&text);
        VariantClear(&text);
        return described;
    }
    }
}

HRESULT ListState::Fail(const std::wstring& member) const {
    const auto found = failures.find(member);
    if (found == failures.end()) return S_OK;
    ole::PublishErrorInfo(L"FakeList", (L"injected failure of " + member).c_str());
    return found->second;
}

// The item collection: items in order, lookup by 1-based index or case-insensitive name.
class FakeList::ItemCollection final : public IPropertyItems, public TestDouble {
public:
    explicit ItemCollection(std::shared_ptr<ListState> state) : TestDouble("items"), state_(std::move(state)) {}

    std::vector<ComPtr<FakeItem>> contents;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IPropertyItems) return E_NOINTERFACE;
        *object = static_cast<IPropertyItems*>(this);
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return CountOne(count); }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override { return GiveTypeInfo(IID_IPropertyItems, info); }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return NamesToIds(IID_IPropertyItems, names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override {
        return InvokeThroughTypeInfo(IID_IPropertyItems, static_cast<IPropertyItems*>(this), id, kind, parameters,
                                     result, exception, argumentError);
    }

    IFACEMETHODIMP get_Item(VARIANT key, IPropertyItem** item) override {
        if (!item) return E_POINTER;
        *item = nullptr;
        RETURN_IF_FAILED(state_->Fail(L"Item"));
        FakeItem* found = Find(key);
        if (!found) return DISP_E_BADINDEX;
        *item = found;
        found->AddRef();
        return S_OK;
    }
    IFACEMETHODIMP get_Count(LONG* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(contents.size());
        return S_OK;
    }
    IFACEMETHODIMP Exists(VARIANT key, LONG* exists) override {
        if (!exists) return E_POINTER;
        RETURN_IF_FAILED(state_->Fail(L"Exists"));
        *exists = Find(key) ? 1 : 0;
        return S_OK;
    }
    IFACEMETHODIMP Clear() override {
        state_->log.push_back(L"Clear");
        RETURN_IF_FAILED(state_->Fail(L"Clear"));
        std::vector<ComPtr<FakeItem>> removed = std::move(contents);
        contents.clear();
        return S_OK;
    }
    IFACEMETHODIMP get__NewEnum(IUnknown** enumerator) override;

private:
    FakeItem* Find(const VARIANT& key) const {
        VARIANT converted;
        VariantInit(&converted);
        FakeItem* found = nullptr;
        if (V_VT(&key) == VT_BSTR) {
            for (const auto& item : contents) {
                if (SameName(item->ItemName(), V_BSTR(&key) ? V_BSTR(&key) : L"")) found = item.Get();
            }
        } else if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&key), 0, VT_I4))) {
            const LONG index = V_I4(&converted);
            if (index >= 1 && static_cast<size_t>(index) <= contents.size()) found = contents[index - 1].Get();
        }
        return found;
    }

    std::shared_ptr<ListState> state_;
};

namespace {

// Enumerates a snapshot of the items, so that changes to the list during a walk are harmless.
class Enumerator final : public IEnumVARIANT, public TestDouble {
public:
    explicit Enumerator(std::vector<ComPtr<FakeItem>> items) : TestDouble("enumerator"), items_(std::move(items)) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumVARIANT) return E_NOINTERFACE;
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }

    IFACEMETHODIMP Next(ULONG wanted, VARIANT* elements, ULONG* fetched) override {
        ULONG given = 0;
        for (; given < wanted && next_ < items_.size(); ++given, ++next_) {
            FakeItem* item = items_[next_].Get();
            VariantInit(&elements[given]);
            if (item->IsNotAnItem()) {
                V_VT(&elements[given]) = VT_I4;
                V_I4(&elements[given]) = 42;
            } else {
                V_VT(&elements[given]) = VT_DISPATCH;
                V_DISPATCH(&elements[given]) = item;
                item->AddRef();
            }
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Skip(ULONG count) override {
        next_ = std::min(items_.size(), next_ + size_t{count});
        return next_ < items_.size() ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    IFACEMETHODIMP Clone(IEnumVARIANT** clone) override {
        if (clone) *clone = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<ComPtr<FakeItem>> items_;
    size_t next_ = 0;
};

}  // namespace

IFACEMETHODIMP FakeList::ItemCollection::get__NewEnum(IUnknown** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    RETURN_IF_FAILED(state_->Fail(L"_NewEnum"));
    *enumerator = static_cast<IEnumVARIANT*>(new Enumerator(contents));
    return S_OK;
}

// The connection point of the list's events: it asks each sink for the events interface.
class FakeList::EventPoint final : public IConnectionPoint, public TestDouble {
public:
    EventPoint(std::shared_ptr<ListState> state, FakeList* list)
        : TestDouble("list's event point"), state_(std::move(state)), list_(list) {}

    // The list is gone: the point answers without it.
    void Orphan() { list_ = nullptr; }
    size_t Count() const { return sinks_.size(); }
    std::vector<ComPtr<IDispatch>> Snapshot() const {
        std::vector<ComPtr<IDispatch>> snapshot;
        for (const auto& [cookie, sink] : sinks_) snapshot.push_back(sink);
        return snapshot;
    }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }

    IFACEMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = DIID___Kavella;
        return S_OK;
    }
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        *container = list_;
        if (!list_) return E_UNEXPECTED;
        list_->AddRef();
        return S_OK;
    }
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        if (!cookie) return E_POINTER;
        *cookie = 0;
        state_->log.push_back(L"Advise");
        RETURN_IF_FAILED(state_->Fail(L"Advise"));
        ComPtr<IDispatch> events;
        if (!sink || FAILED(sink->QueryInterface(DIID___Kavella, events.PutVoid()))) return CONNECT_E_CANNOTCONNECT;
        *cookie = nextCookie_++;
        sinks_.emplace_back(*cookie, std::move(events));
        return S_OK;
    }
    IFACEMETHODIMP Unadvise(DWORD cookie) override {
        state_->log.push_back(L"Unadvise");
        const auto found =
            std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& sink) { return sink.first == cookie; });
        if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
        ComPtr<IDispatch> released = std::move(found->second);
        sinks_.erase(found);
        return S_OK;
    }
    IFACEMETHODIMP EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    std::shared_ptr<ListState> state_;
    FakeList* list_;  // uncounted: the list holds us
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
    DWORD nextCookie_ = 1;
};

ComPtr<FakeList> FakeList::Create() {
    ComPtr<FakeList> created;
    created.Attach(new FakeList());
    return created;
}

FakeList::FakeList() : TestDouble("list") {
    items_.Attach(new ItemCollection(state_));
    events_.Attach(new EventPoint(state_, this));
}

FakeList::~FakeList() { events_->Orphan(); }

size_t FakeList::SinkCount() const { return events_->Count(); }

HRESULT FakeList::Fail(const std::wstring& member) const { return state_->Fail(member); }

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
    ITypeLib* library = KavellaTypeLibrary();
    if (!library) return TYPE_E_CANTLOADLIBRARY;
    ComPtr<ITypeInfo> events;
    RETURN_IF_FAILED(library->GetTypeInfoOfGuid(DIID___Kavella, events.Put()));
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    RETURN_IF_FAILED(events->GetIDsOfNames(names, 1, &id));
    std::reverse(arguments.begin(), arguments.end());
    DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    for (const auto& sink : events_->Snapshot()) {
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    }
    return S_OK;
}

HRESULT FakeList::RaiseItemChanged(FakeItem* item) {
    IDispatch* passed = item;
    return RaiseEvent(L"ItemChanged", {ole::ObjectReference(&passed)});
}

IFACEMETHODIMP FakeList::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Kavella) {
        *object = static_cast<_Kavella*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IOleObject) {
        *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

IFACEMETHODIMP FakeList::GetTypeInfoCount(UINT* count) { return CountOne(count); }
IFACEMETHODIMP FakeList::GetTypeInfo(UINT, LCID, ITypeInfo** info) { return GiveTypeInfo(IID__Kavella, info); }
IFACEMETHODIMP FakeList::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return NamesToIds(IID__Kavella, names, count, ids);
}
IFACEMETHODIMP FakeList::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                                EXCEPINFO* exception, UINT* argumentError) {
    return InvokeThroughTypeInfo(IID__Kavella, static_cast<_Kavella*>(this), id, kind, parameters, result, exception,
                                 argumentError);
}

IFACEMETHODIMP FakeList::get_PropertyItems(IPropertyItems** items) {
    if (!items) return E_POINTER;
    *items = nullptr;
    state_->log.push_back(L"PropertyItems");
    RETURN_IF_FAILED(Fail(L"PropertyItems"));
    *items = items_.Get();
    items_->AddRef();
    return S_OK;
}

IFACEMETHODIMP FakeList::PopulateFromObject(VARIANT object) {
    state_->log.push_back(L"PopulateFromObject");
    populatedFrom_.push_back(V_VT(&object) == VT_DISPATCH ? V_DISPATCH(&object) : nullptr);
    RETURN_IF_FAILED(Fail(L"PopulateFromObject"));
    for (const CatalogueEntry& entry : catalogue_) {
        ComPtr<FakeItem> item;
        item.Attach(new FakeItem(state_, entry));
        items_->contents.push_back(std::move(item));
    }
    return S_OK;
}

IFACEMETHODIMP FakeList::get_Redraw(VARIANT_BOOL* redraw) {
    if (!redraw) return E_POINTER;
    *redraw = redraw_;
    return S_OK;
}

IFACEMETHODIMP FakeList::put_Redraw(VARIANT_BOOL redraw) {
    state_->log.push_back(L"Redraw=" + std::to_wstring(redraw));
    RETURN_IF_FAILED(Fail(L"Redraw.put"));
    redraw_ = redraw;
    return S_OK;
}

IFACEMETHODIMP FakeList::get_Font(IFontDisp** font) {
    if (!font) return E_POINTER;
    return font_.CopyTo(font);
}

IFACEMETHODIMP FakeList::putref_Font(IFontDisp* font) {
    state_->log.push_back(L"Font");
    RETURN_IF_FAILED(Fail(L"Font.put"));
    font_ = font;
    return S_OK;
}

IFACEMETHODIMP FakeList::get_Enabled(VARIANT_BOOL* enabled) {
    if (!enabled) return E_POINTER;
    *enabled = enabled_;
    return S_OK;
}

IFACEMETHODIMP FakeList::put_Enabled(VARIANT_BOOL enabled) {
    state_->log.push_back(L"Enabled=" + std::to_wstring(enabled));
    RETURN_IF_FAILED(Fail(L"Enabled.put"));
    enabled_ = enabled;
    return S_OK;
}

IFACEMETHODIMP FakeList::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID___Kavella) return CONNECT_E_NOCONNECTION;
    return events_.CopyTo(reinterpret_cast<EventPoint**>(point));
}

FakeItem::FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry)
    : TestDouble("item " + std::string(entry.name.begin(), entry.name.end())),
      state_(std::move(state)),
      name_(entry.name),
      readOnly_(entry.readOnly ? VARIANT_TRUE : VARIANT_FALSE),
      style_(entry.style),
      notAnItem_(entry.notAnItem) {}

void FakeItem::SetStoredValue(const VARIANT& value) {
    if (FAILED(value_.CopyFrom(value))) throw std::bad_alloc();
}

void FakeItem::SetStoredModified(const VARIANT& marker) {
    if (FAILED(modified_.CopyFrom(marker))) throw std::bad_alloc();
}

HRESULT FakeItem::Enter(const std::wstring& member, const std::wstring& written) const {
    state_->log.push_back(name_ + L"." + member + (written.empty() ? L"" : L"=" + written));
    const bool isWrite = !written.empty();
    return state_->Fail(name_ + L"." + member + (isWrite ? L".put" : L".get"));
}

IFACEMETHODIMP FakeItem::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IPropertyItem) return E_NOINTERFACE;
    *object = static_cast<IPropertyItem*>(this);
    AddRef();
    return S_OK;
}

IFACEMETHODIMP FakeItem::GetTypeInfoCount(UINT* count) { return CountOne(count); }
IFACEMETHODIMP FakeItem::GetTypeInfo(UINT, LCID, ITypeInfo** info) { return GiveTypeInfo(IID_IPropertyItem, info); }
IFACEMETHODIMP FakeItem::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return NamesToIds(IID_IPropertyItem, names, count, ids);
}
IFACEMETHODIMP FakeItem::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                                EXCEPINFO* exception, UINT* argumentError) {
    return InvokeThroughTypeInfo(IID_IPropertyItem, static_cast<IPropertyItem*>(this), id, kind, parameters, result,
                                 exception, argumentError);
}

IFACEMETHODIMP FakeItem::get_Value(VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Value"));
    return VariantCopy(value, const_cast<VARIANT*>(&value_.Get()));
}

IFACEMETHODIMP FakeItem::put_Value(VARIANT value) {
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Value", Describe(value)));
    return value_.CopyFrom(value);
}

IFACEMETHODIMP FakeItem::get_Name(BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Name"));
    *name = SysAllocString(name_.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP FakeItem::get_ReadOnly(VARIANT_BOOL* readOnly) {
    if (!readOnly) return E_POINTER;
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"ReadOnly"));
    *readOnly = readOnly_;
    return S_OK;
}

IFACEMETHODIMP FakeItem::get_Style(LONG* style) {
    if (!style) return E_POINTER;
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Style"));
    *style = style_;
    return S_OK;
}

IFACEMETHODIMP FakeItem::get_Visible(VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Visible"));
    *visible = visible_;
    return S_OK;
}

IFACEMETHODIMP FakeItem::put_Visible(VARIANT_BOOL visible) {
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Visible", std::to_wstring(visible)));
    visible_ = visible;
    return S_OK;
}

IFACEMETHODIMP FakeItem::get_Modified(VARIANT* modified) {
    if (!modified) return E_POINTER;
    VariantInit(modified);
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Modified"));
    return VariantCopy(modified, const_cast<VARIANT*>(&modified_.Get()));
}

IFACEMETHODIMP FakeItem::put_Modified(VARIANT modified) {
    if (!Quiet()) RETURN_IF_FAILED(Enter(L"Modified", Describe(modified)));
    return modified_.CopyFrom(modified);
}

}  // namespace doubles
