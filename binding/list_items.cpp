#include "binding/list_items.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
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
    if (!ole::HoldsObjectReference(element)) return ole::RaiseTypeMismatch();
    IUnknown* object = ole::ReferencedObject(element);
    if (!object) return ole::RaiseObjectNotSet();
    if (FAILED(object->QueryInterface(IID_IPropertyItem, item.PutVoid()))) return ole::RaiseTypeMismatch();
    return S_OK;
}

HRESULT IsListItem(IDispatch* list, IPropertyItem* item, bool& inList) noexcept {
    inList = false;
    ole::Bstr name;
    RETURN_IF_FAILED(item->get_Name(name.Out()));
    ole::ComPtr<IDispatch> items;
    RETURN_IF_FAILED(GetPropertyItems(list, items));
    ole::ComPtr<IPropertyItems> collection;
    RETURN_IF_FAILED(items.As(&collection));
    ole::ComPtr<IPropertyItem> found;
    if (FAILED(collection->get_Item(ole::TextArgument(name.Get()), found.Put()))) {
        ole::ClearErrorInfo();  // no item of that name: the answer, not a failure
        return S_OK;
    }
    ole::ComPtr<IUnknown> given, listed;
    RETURN_IF_FAILED(item->QueryInterface(IID_IUnknown, given.PutVoid()));
    RETURN_IF_FAILED(found->QueryInterface(IID_IUnknown, listed.PutVoid()));
    inList = given == listed;
    return S_OK;
}

bool IsMarkedModified(const VARIANT& marker) noexcept { return ole::EqualsTrue(marker, ole::kLateBoundLocale); }
