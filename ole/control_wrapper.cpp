#include "ole/control_wrapper.h"

#include "ole/dispatch_parameters.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/variant.h"

#include <utility>

namespace ole {

std::span<const InterfaceEntry> ControlWrapper::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {Implements<ControlWrapper, IDispatch>()};
    return table;
}

HRESULT ControlWrapper::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ControlWrapper::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ControlWrapper::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (const auto& [name, id] : {std::pair{L"Move", kMove}, std::pair{L"Object", kObject}}) {
        if (_wcsicmp(names[0], name) != 0) continue;
        ids[0] = id;
        for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    IDispatch* child = hosted_->ChildDispatch();
    if (!child) return E_UNEXPECTED;
    return child->GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT ControlWrapper::Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters,
                               VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    IDispatch* child = hosted_->ChildDispatch();
    if (id == kMove) {
        if (!(kind & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (!parameters) return E_POINTER;
        RETURN_IF_FAILED(CheckDispatchParameters(*parameters));
        if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (parameters->cArgs < 1 || parameters->cArgs > 4) return DISP_E_BADPARAMCOUNT;
        // Arguments come last first; absent ones are empty.
        VARIANT arguments[4];
        for (VARIANT& argument : arguments) VariantInit(&argument);
        for (UINT i = 0; i < parameters->cArgs; ++i) arguments[i] = parameters->rgvarg[parameters->cArgs - 1 - i];
        float left = 0;
        Variant converted;
        const HRESULT hr = VariantChangeTypeEx(converted.Out(), &arguments[0], kLateBoundLocale, 0, VT_R4);
        if (FAILED(hr)) {
            if (argumentError) *argumentError = parameters->cArgs - 1;
            return hr;
        }
        left = V_R4(&converted.Get());
        return hosted_->Move(left, arguments[1], arguments[2], arguments[3]);
    }
    if (id == kObject) {
        if (!(kind & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!child) return E_UNEXPECTED;
        if (result) Variant(child).Detach(result);
        return S_OK;
    }
    if (!child) return E_UNEXPECTED;
    return child->Invoke(id, iid, locale, kind, parameters, result, exception, argumentError);
}

}  // namespace ole
