#include "ole/enumeration.h"

#include "ole/late_bound.h"

namespace ole {

HRESULT GetEnumerator(IDispatch* collection, ComPtr<IEnumVARIANT>& enumerator) noexcept {
    enumerator.Reset();
    Variant result;
    RETURN_IF_FAILED(InvokeMember(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &result));
    const VARIANT& value = result.Get();
    IUnknown* unknown = V_VT(&value) == VT_UNKNOWN ? V_UNKNOWN(&value)
                        : V_VT(&value) == VT_DISPATCH ? V_DISPATCH(&value) : nullptr;
    if (!unknown) return DISP_E_TYPEMISMATCH;
    return unknown->QueryInterface(IID_IEnumVARIANT, enumerator.PutVoid());
}

}  // namespace ole
