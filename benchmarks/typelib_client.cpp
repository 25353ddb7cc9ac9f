#include "benchmarks/typelib_client.h"

#include "ole/hresult.h"

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

HRESULT BuildTypeInfo(UINT count, ole::ComPtr<ITypeInfo>& built) {
    // A function's vtable offset is a 16-bit number in a type library.
    if ((7 + count) * sizeof(void*) > 32767) return E_INVALIDARG;
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"tlb", 0, path);
    ole::ComPtr<ICreateTypeLib2> library;
    RETURN_IF_FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path, library.Put()));
    GUID libraryId;
    GUID interfaceId;
    CoCreateGuid(&libraryId);
    CoCreateGuid(&interfaceId);
    library->SetGuid(libraryId);
    library->SetVersion(1, 0);
    ole::ComPtr<ICreateTypeInfo> creator;
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"IBenchmarkClient"), TKIND_INTERFACE, creator.Put()));
    creator->SetGuid(interfaceId);
    creator->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);

    ole::ComPtr<ITypeLib> stdole;
    RETURN_IF_FAILED(LoadTypeLib(L"stdole2.tlb", stdole.Put()));
    ole::ComPtr<ITypeInfo> dispatch;
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.Put()));
    HREFTYPE base = 0;
    RETURN_IF_FAILED(creator->AddRefTypeInfo(dispatch.Get(), &base));
    RETURN_IF_FAILED(creator->AddImplType(0, base));

    TYPEDESC pointee{};
    pointee.vt = VT_I4;
    ELEMDESC parameter{};
    parameter.tdesc.vt = VT_PTR;
    parameter.tdesc.lptdesc = &pointee;
    parameter.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC function{};
        function.memid = static_cast<MEMBERID>(i + 1);
        function.funckind = FUNC_PUREVIRTUAL;
        function.invkind = INVOKE_PROPERTYGET;
        function.callconv = CC_STDCALL;
        function.cParams = 1;
        function.lprgelemdescParam = &parameter;
        function.elemdescFunc.tdesc.vt = VT_HRESULT;
        function.oVft = static_cast<SHORT>((7 + i) * sizeof(void*));
        RETURN_IF_FAILED(creator->AddFuncDesc(i, &function));
        std::wstring name = PropertyName(i);
        LPOLESTR names[] = {name.data()};
        RETURN_IF_FAILED(creator->SetFuncAndParamNames(i, names, 1));
    }
    RETURN_IF_FAILED(creator->LayOut());
    RETURN_IF_FAILED(library->SaveAllChanges());
    library.Reset();
    creator.Reset();
    ole::ComPtr<ITypeLib> saved;
    const HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, saved.Put());
    DeleteFileW(path);
    RETURN_IF_FAILED(hr);
    return saved->GetTypeInfoOfGuid(interfaceId, built.Put());
}

}  // namespace

std::wstring PropertyName(UINT index) { return L"Prop" + std::to_wstring(index); }

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
    const HRESULT hr = described ? BuildTypeInfo(count, client->info) : S_OK;
    made.Attach(reinterpret_cast<IDispatch*>(client));
    if (FAILED(hr)) {
        made.Reset();
        return hr;
    }
    calls = &client->calls;
    return S_OK;
}
