#include "tests/support/run_time_types.h"

#include "ole/com_object.h"
#include "ole/hresult.h"
#include "ole/variant.h"

namespace support {

namespace {

using ole::ComPtr;

HRESULT AddProperty(ICreateTypeInfo* creator, UINT index, Declared declared) {
    std::wstring name = PropertyName(index);
    const auto id = static_cast<MEMBERID>(index + 1);
    if (declared == Declared::kDispatchVariables) {
        VARDESC variable{};
        variable.memid = id;
        variable.varkind = VAR_DISPATCH;
        variable.elemdescVar.tdesc.vt = VT_I4;
        RETURN_IF_FAILED(creator->AddVarDesc(index, &variable));
        return creator->SetVarName(index, name.data());
    }
    // A dual interface's method returns an HRESULT and hands the value out through a pointer.
    TYPEDESC pointee{};
    pointee.vt = VT_I4;
    ELEMDESC retval{};
    retval.tdesc.vt = VT_PTR;
    retval.tdesc.lptdesc = &pointee;
    retval.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    FUNCDESC function{};
    function.memid = id;
    function.invkind = INVOKE_PROPERTYGET;
    function.callconv = CC_STDCALL;
    if (declared == Declared::kDualMethods) {
        function.funckind = FUNC_PUREVIRTUAL;
        function.cParams = 1;
        function.lprgelemdescParam = &retval;
        function.elemdescFunc.tdesc.vt = VT_HRESULT;
        function.oVft = static_cast<SHORT>((7 + index) * sizeof(void*));
    } else {
        function.funckind = FUNC_DISPATCH;
        function.elemdescFunc.tdesc.vt = VT_I4;
    }
    RETURN_IF_FAILED(creator->AddFuncDesc(index, &function));
    LPOLESTR names[] = {name.data()};
    return creator->SetFuncAndParamNames(index, names, 1);
}

HRESULT WriteLibrary(const wchar_t* path, UINT count, Declared declared, GUID& interfaceId) {
    ComPtr<ICreateTypeLib2> library;
    RETURN_IF_FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path, library.Put()));
    GUID libraryId{};
    RETURN_IF_FAILED(CoCreateGuid(&libraryId));
    RETURN_IF_FAILED(CoCreateGuid(&interfaceId));
    RETURN_IF_FAILED(library->SetGuid(libraryId));
    const bool dual = declared == Declared::kDualMethods;
    ComPtr<ICreateTypeInfo> creator;
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"IRunTimeObject"),
                                             dual ? TKIND_INTERFACE : TKIND_DISPATCH, creator.Put()));
    RETURN_IF_FAILED(creator->SetGuid(interfaceId));
    if (dual) RETURN_IF_FAILED(creator->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION));
    ComPtr<ITypeLib> stdole;
    ComPtr<ITypeInfo> dispatch;
    HREFTYPE base = 0;
    RETURN_IF_FAILED(LoadTypeLib(L"stdole2.tlb", stdole.Put()));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.Put()));
    RETURN_IF_FAILED(creator->AddRefTypeInfo(dispatch.Get(), &base));
    RETURN_IF_FAILED(creator->AddImplType(0, base));
    for (UINT i = 0; i < count; ++i) RETURN_IF_FAILED(AddProperty(creator.Get(), i, declared));
    RETURN_IF_FAILED(creator->LayOut());
    return library->SaveAllChanges();
}

class MemberIdObject final : public ole::ComObject<MemberIdObject, IDispatch> {
public:
    explicit MemberIdObject(ComPtr<ITypeInfo> info) : info_(std::move(info)) {}
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<MemberIdObject, IDispatch>()};
        return table;
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return count ? *count = 1, S_OK : E_POINTER; }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return index == 0 ? info_.CopyTo(info) : DISP_E_BADINDEX;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return info_->GetIDsOfNames(names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*) override {
        if (!(kind & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        if (parameters && parameters->cArgs) return DISP_E_BADPARAMCOUNT;
        ole::Variant(LONG{id}).Detach(result);
        return S_OK;
    }

private:
    ComPtr<ITypeInfo> info_;
};

}  // namespace

std::wstring PropertyName(UINT index) { return L"Prop" + std::to_wstring(index); }

HRESULT BuildLongProperties(UINT count, Declared declared, ComPtr<ITypeInfo>& built) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"tlb", 0, path)) return E_FAIL;
    GUID interfaceId{};
    HRESULT hr = WriteLibrary(path, count, declared, interfaceId);
    ComPtr<ITypeLib> loaded;
    if (SUCCEEDED(hr)) hr = LoadTypeLibEx(path, REGKIND_NONE, loaded.Put());
    DeleteFileW(path);
    RETURN_IF_FAILED(hr);
    return loaded->GetTypeInfoOfGuid(interfaceId, built.Put());
}

ComPtr<IDispatch> MakeMemberIdObject(ComPtr<ITypeInfo> info) {
    ComPtr<MemberIdObject> made;
    if (FAILED(ole::MakeObject(made, std::move(info)))) return {};
    return ComPtr<IDispatch>(std::move(made));
}

ComPtr<IDispatch> MakeMemberIdObject(UINT count) {
    ComPtr<ITypeInfo> info;
    if (FAILED(BuildLongProperties(count, Declared::kDispatchFunctions, info))) return {};
    return MakeMemberIdObject(std::move(info));
}

}  // namespace support
