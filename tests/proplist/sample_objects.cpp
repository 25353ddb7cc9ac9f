#include "tests/proplist/sample_objects.h"

namespace proplist_tests {

using ole::ComPtr;

ComPtr<ITypeInfo> SampleTypeInfo(REFGUID guid) {
    static ComPtr<ITypeLib> library = [] {
        wchar_t path[MAX_PATH + 4];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wcscat(path, L"\\2");
        ComPtr<ITypeLib> loaded;
        LoadTypeLibEx(path, REGKIND_NONE, loaded.Put());
        return loaded;
    }();
    ComPtr<ITypeInfo> info;
    if (library) library->GetTypeInfoOfGuid(guid, info.Put());
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

std::span<const ole::InterfaceEntry> SampleObject::InterfaceTable() const noexcept {
    static constexpr ole::InterfaceEntry table[] = {ole::Implements<SampleObject, ISample>(),
                                                    ole::Implements<SampleObject, IDispatch, ISample>(),
                                                    ole::Implements<SampleObject, IProvideClassInfo>()};
    // Only an object described by its class answers IProvideClassInfo.
    return std::span(table).first(described_ == Described::ByClassInfo ? 3 : 2);
}

HRESULT SampleObject::GetTypeInfoCount(UINT* infoCount) {
    *infoCount = described_ == Described::ByClassInfo ? 0 : 1;
    return S_OK;
}

HRESULT SampleObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    *info = nullptr;
    if (index != 0 || described_ == Described::ByClassInfo) return DISP_E_BADINDEX;
    return SampleTypeInfo(described_ == Described::ByDispatch ? IID_ISample : CLSID_Sample).CopyTo(info);
}

HRESULT SampleObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids) {
    return SampleVtableInfo()->GetIDsOfNames(names, nameCount, ids);
}

HRESULT SampleObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
    ++invokes;
    if (id == 16 && values.malformedAnything != VT_EMPTY && result) {
        *result = VARIANT{};
        V_VT(result) = values.malformedAnything;
        return S_OK;
    }
    return SampleVtableInfo()->Invoke(static_cast<ISample*>(this), id, kind, parameters, result, exception,
                                      argumentError);
}

HRESULT SampleObject::GetClassInfo(ITypeInfo** info) { return SampleTypeInfo(CLSID_Sample).CopyTo(info); }

std::span<const ole::InterfaceEntry> CategorizedSample::InterfaceTable() const noexcept {
    static constexpr ole::InterfaceEntry table[] = {ole::Implements<CategorizedSample, IDispatch>(),
                                                    ole::Implements<CategorizedSample, ICategorizeProperties>(),
                                                    ole::Implements<CategorizedSample, IConnectionPointContainer>()};
    return table;
}

HRESULT CategorizedSample::MapPropertyToCategory(DISPID id, PROPCAT* category) {
    switch (id) {
    case 1:
    case 6: *category = PROPCAT_Appearance; return S_OK;
    case 2:
    case 3: *category = 1; return S_OK;
    case 4: *category = PROPCAT_Nil; return S_OK;
    default: return E_FAIL;
    }
}

HRESULT CategorizedSample::GetCategoryName(PROPCAT category, LCID, BSTR* name) {
    *name = category == 1 ? SysAllocString(L"Numbers") : nullptr;
    return category == 1 ? S_OK : E_NOTIMPL;
}

HRESULT CategorizedSample::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    *point = nullptr;
    if (iid != IID_IPropertyNotifySink) return CONNECT_E_NOCONNECTION;
    return ole::ComPtr<IConnectionPoint>(&changes_).CopyTo(point);
}

}  // namespace proplist_tests
