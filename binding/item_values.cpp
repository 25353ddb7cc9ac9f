#include "binding/item_values.h"

#include "ole/bstr.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "ole/runtime_errors.h"
#include "ole/variant.h"

namespace {

HRESULT CopyProperty(IDispatch* source, IPropertyItem* item) noexcept {
    ole::Bstr name;
    RETURN_IF_FAILED(item->get_Name(name.Out()));
    ole::Variant value;
    RETURN_IF_FAILED(ole::GetProperty(source, name.Get() ? name.Get() : L"", value));
    return item->put_Value(value.Get());
}

}  // namespace

void ReadItemValue(const std::function<ole::ComPtr<IDispatch>()>& client, IPropertyItem* item) noexcept {
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] { return CopyProperty(client().Get(), item); });
    if (!suppress.Failed()) return;
    suppress.Attempt([&]() -> HRESULT {
        ole::Variant object;
        RETURN_IF_FAILED(ole::GetProperty(client().Get(), L"object", object));
        if (V_VT(&object.Get()) != VT_DISPATCH) return ole::RaiseTypeMismatch();
        return CopyProperty(V_DISPATCH(&object.Get()), item);
    });
}
