#include "benchmarks/typelib_client.h"

#include "ole/hresult.h"
#include "tests/support/run_time_types.h"

#include <unordered_map>
#include <vector>

namespace {

// The object is laid out by hand: its vtable is IDispatch's seven entries followed by one
// property getter per property, all served by the same function.
struct Client {
    void** vtable;
    LONG references;
    ole::ComPtr<ITypeInfo> info;
    std::unordered_map<std::wstring, DISPID> ids;  // lower-case names
    std::vector<void*> table;
    TypelibClientCalls calls;
};

Client* Self(void* object) { return static_cast<Client*>(object); }

HRESULT STDMETHODCALLTYPE QueryInterfaceEntry(void* object, REFIID iid, void** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *result = object;
    ++Self(object)->references;
    return S_OK;
}

ULONG STDMETHODCALLTYPE AddRefEntry(void* object) { return ++Self(object)->references; }

ULONG STDMETHODCALLTYPE ReleaseEntry(void* object) {
    const ULONG left = --Self(object)->references;
    if (left == 0) delete Self(object);
    return left;
}

HRESULT STDMETHODCALLTYPE GetTypeInfoCountEntry(void*, UINT* count) {
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetTypeInfoEntry(void* object, UINT, LCID, ITypeInfo** info) {
    return Self(object)->info.CopyTo(info);
}

HRESULT STDMETHODCALLTYPE GetIDsOfNamesEntry(void* object, REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    Client* client = Self(object);
    ++client->calls.lookups;
    std::wstring name = names[0];
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    const auto found = client->ids.find(name);
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (found == client->ids.end() || count != 1) return DISP_E_UNKNOWNNAME;
    ids[0] = found->second;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE InvokeEntry(void* object, DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    Client* client = Self(object);
    ++client->calls.invokes;
    if (client->info) return client->info->Invoke(object, id, kind, parameters, result, exception, argumentError);
    // Without type information: the object answers its reads itself.
    if (!(kind & DISPATCH_PROPERTYGET) || id < 1 || static_cast<size_t>(id) > client->ids.size()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (parameters && parameters->cArgs) return DISP_E_BADPARAMCOUNT;
    if (result) {
        V_VT(result) = VT_I4;
        V_I4(result) = 42;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetValueEntry(void*, LONG* value) {
    *value = 42;
    return S_OK;
}

}  // namespace

std::wstring PropertyName(UINT index) { return support::PropertyName(index); }

UINT MaxTypelibProperties() { return static_cast<UINT>(32767 / sizeof(void*) - 7); }

HRESULT MakeClient(UINT count, bool described, ole::ComPtr<IDispatch>& made, TypelibClientCalls*& calls) {
    auto* client = new Client{};
    client->references = 1;
    client->table = {reinterpret_cast<void*>(QueryInterfaceEntry), reinterpret_cast<void*>(AddRefEntry),
                     reinterpret_cast<void*>(ReleaseEntry),        reinterpret_cast<void*>(GetTypeInfoCountEntry),
                     reinterpret_cast<void*>(GetTypeInfoEntry),    reinterpret_cast<void*>(GetIDsOfNamesEntry),
                     reinterpret_cast<void*>(InvokeEntry)};
    client->table.resize(7 + count, reinterpret_cast<void*>(GetValueEntry));
    client->vtable = client->table.data();
    for (UINT i = 0; i < count; ++i) {
        std::wstring name = PropertyName(i);
        CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
        client->ids.emplace(name, static_cast<DISPID>(i + 1));
    }
    // A function's vtable offset is a 16-bit number in a type library.
    HRESULT hr = described && count > MaxTypelibProperties() ? E_INVALIDARG : S_OK;
    if (described && SUCCEEDED(hr)) {
        hr = support::BuildLongProperties(count, support::Declared::kDualMethods, client->info);
    }
    made.Attach(reinterpret_cast<IDispatch*>(client));
    if (FAILED(hr)) {
        made.Reset();
        return hr;
    }
    calls = &client->calls;
    return S_OK;
}
