#include "tests/proplist/sample_objects.h"

#include "ole/bstr.h"

namespace proplist_tests {

using ole::ComPtr;

ITypeLib* SampleLibrary() {
    static ComPtr<ITypeLib> library = [] {
        wchar_t path[MAX_PATH + 4];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wcscat(path, L"\\2");
        ComPtr<ITypeLib> loaded;
        LoadTypeLibEx(path, REGKIND_NONE, loaded.Put());
        return loaded;
    }();
    return library.Get();
}

ComPtr<ITypeInfo> SampleTypeInfo(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    if (SampleLibrary()) SampleLibrary()->GetTypeInfoOfGuid(guid, info.Put());
    return info;
}

namespace {

// The vtable side of ISample, which ITypeInfo::Invoke calls through.
ComPtr<ITypeInfo> SampleVtableInfo() {
    ComPtr<ITypeInfo> described = SampleTypeInfo(IID_ISample);
    HREFTYPE vtable = 0;
    ComPtr<ITypeInfo> info;
    if (described && SUCCEEDED(described->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable))) {
        described->GetRefTypeInfo(vtable, info.Put());
    }
    return info ? info : described;
}

}  // namespace

ComPtr<SampleObject> SampleObject::Create(Described described) {
    ComPtr<SampleObject> made;
    made.Attach(new SampleObject(described));
    return made;
}

HRESULT SampleObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ISample) {
        *object = static_cast<ISample*>(this);
    } else if (iid == IID_IProvideClassInfo && described_ == Described::ByClassInfo) {
        *object = static_cast<IProvideClassInfo*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT SampleObject::GetTypeInfoCount(UINT* infoCount) {
    if (!infoCount) return E_POINTER;
    *infoCount = described_ == Described::ByClassInfo ? 0 : 1;
    return S_OK;
}

HRESULT SampleObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0 || described_ == Described::ByClassInfo) return DISP_E_BADINDEX;
    return SampleTypeInfo(described_ == Described::ByDispatch ? IID_ISample : CLSID_Sample).CopyTo(info);
}

HRESULT SampleObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids) {
    return SampleVtableInfo()->GetIDsOfNames(names, nameCount, ids);
}

HRESULT SampleObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
    if (id == 16 && values.malformedAnything != VT_EMPTY && result) {
        *result = VARIANT{};
        V_VT(result) = values.malformedAnything;
        return S_OK;
    }
    return SampleVtableInfo()->Invoke(static_cast<ISample*>(this), id, kind, parameters, result, exception,
                                      argumentError);
}

HRESULT SampleObject::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return SampleTypeInfo(CLSID_Sample).CopyTo(info);
}


ComPtr<DispatchSampleObject> DispatchSampleObject::Create() {
    ComPtr<DispatchSampleObject> made;
    made.Attach(new DispatchSampleObject());
    return made;
}

HRESULT DispatchSampleObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DSample) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT DispatchSampleObject::GetTypeInfoCount(UINT* infoCount) {
    if (!infoCount) return E_POINTER;
    *infoCount = 1;
    return S_OK;
}

HRESULT DispatchSampleObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return SampleTypeInfo(DIID_DSample).CopyTo(info);
}

HRESULT DispatchSampleObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids) {
    return SampleTypeInfo(DIID_DSample)->GetIDsOfNames(names, nameCount, ids);
}

HRESULT DispatchSampleObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) {
    const bool get = (kind & DISPATCH_PROPERTYGET) != 0;
    if (get && result) VariantInit(result);
    switch (id) {
    case 1:
        if (get && result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(title_.c_str());
            return S_OK;
        }
        if ((kind & DISPATCH_PROPERTYPUT) && parameters && parameters->cArgs == 1 &&
            V_VT(&parameters->rgvarg[0]) == VT_BSTR) {
            title_ = V_BSTR(&parameters->rgvarg[0]);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    case 2:
    case 3:
        if (!get || !result) return DISP_E_MEMBERNOTFOUND;
        V_VT(result) = VT_I4;
        V_I4(result) = id == 2 ? 7 : 9;
        return S_OK;
    case 4:
        if (!get || !result) return DISP_E_MEMBERNOTFOUND;
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_TRUE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

ComPtr<WideObject> WideObject::Create(UINT count) {
    ComPtr<WideObject> made;
    made.Attach(new WideObject());
    ComPtr<ICreateTypeLib2> library;
    if (FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"wide.tlb", library.Put()))) return made;
    ComPtr<ICreateTypeInfo> creator;
    if (FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"DWide"), TKIND_DISPATCH, creator.Put()))) return made;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC property{};
        property.memid = static_cast<MEMBERID>(i + 1);
        property.funckind = FUNC_DISPATCH;
        property.invkind = INVOKE_PROPERTYGET;
        property.callconv = CC_STDCALL;
        property.elemdescFunc.tdesc.vt = VT_I4;
        std::wstring name = L"P" + std::to_wstring(i + 1);
        LPOLESTR names[] = {name.data()};
        if (FAILED(creator->AddFuncDesc(i, &property)) || FAILED(creator->SetFuncAndParamNames(i, names, 1))) {
            return made;
        }
    }
    creator->LayOut();
    creator.As(&made->info_);
    return made;
}

HRESULT WideObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT WideObject::GetTypeInfoCount(UINT* infoCount) {
    if (!infoCount) return E_POINTER;
    *infoCount = 1;
    return S_OK;
}

HRESULT WideObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) { return info_.CopyTo(info); }

HRESULT WideObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT WideObject::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (!result) return E_POINTER;
    VariantInit(result);
    V_VT(result) = VT_I4;
    V_I4(result) = id;
    return S_OK;
}

}  // namespace proplist_tests
