#include "binding/list_items.h"

#include "ole/late_bound.h"
#include "ole/variant.h"

HRESULT GetPropertyItems(IDispatch* list, ole::ComPtr<IDispatch>& items) noexcept {
    items.Reset();
    if (!list) return ole::RaiseObjectNotSet();
    ole::Variant value;
    RETURN_IF_FAILED(ole::GetProperty(list, L"PropertyItems", value));
    const VARIANT& collection = value.Get();
    if (V_VT(&collection) != VT_DISPATCH) return ole::RaiseTypeMismatch();
    if (!V_DISPATCH(&collection)) return ole::RaiseObjectNotSet();
    items = V_DISPATCH(&collection);
    return S_OK;
}

HRESULT AsPropertyItem(const VARIANT& element, ole::ComPtr<IPropertyItem>& item) noexcept {
    item.Reset();
    const VARIANT* value = &element;
    if (V_VT(value) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(value)) value = V_VARIANTREF(value);
    IUnknown* object = nullptr;
    switch (V_VT(value)) {
    case VT_DISPATCH: object = V_DISPATCH(value); break;
    case VT_UNKNOWN: object = V_UNKNOWN(value); break;
    case VT_DISPATCH | VT_BYREF: object = V_DISPATCHREF(value) ? *V_DISPATCHREF(value) : nullptr; break;
    case VT_UNKNOWN | VT_BYREF: object = V_UNKNOWNREF(value) ? *V_UNKNOWNREF(value) : nullptr; break;
    default: return ole::RaiseTypeMismatch();
    }
    if (!object) return ole::RaiseObjectNotSet();
    if (FAILED(object->QueryInterface(IID_IPropertyItem, item.PutVoid()))) return ole::RaiseTypeMismatch();
    return S_OK;
}

bool IsMarkedModified(const VARIANT& marker) noexcept {
    VARIANT isTrue;
    V_VT(&isTrue) = VT_BOOL;
    V_BOOL(&isTrue) = VARIANT_TRUE;
    return VarCmp(const_cast<VARIANT*>(&marker), &isTrue, 1033, 0) == VARCMP_EQ;
}
