#include "proplist/shown_object.h"

#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "ole/variant.h"

#include <utility>

namespace proplist {

bool ShownObject::Show(IDispatch* object, Callback onChanged) noexcept {
    ole::ComPtr<IUnknown> identity;
    // An object that will not say who it is counts as another each time.
    if (object && FAILED(object->QueryInterface(IID_IUnknown, identity.PutVoid()))) identity.Reset();
    const bool another = !identity || identity.Get() != identity_;
    if (another || !changes_.IsConnected()) {
        Forget();
        // An object that tells of no changes is shown all the same.
        if (object && SUCCEEDED(changes_.Connect(object, std::move(onChanged)))) subscribed_ = object;
    }
    identity_ = identity.Get();
    return another;
}

void ShownObject::Forget() noexcept {
    identity_ = nullptr;
    // Unadvised before the last reference goes: a release may re-enter.
    const ole::ComPtr<IDispatch> object = std::move(subscribed_);
    changes_.Disconnect();
}

bool IsReported(const PropertyItem& item, DISPID id) noexcept {
    const MEMBERID member = item.Description().memberId;
    return member != DISPID_UNKNOWN && (id == DISPID_UNKNOWN || member == id);
}

void RereadProperty(IDispatch* object, PropertyItem& item) noexcept {
    const ole::ComPtr<IDispatch> held(object);
    ole::Variant value;
    if (SUCCEEDED(ole::InvokeMember(object, item.Description().memberId, DISPATCH_PROPERTYGET, {}, &value))) {
        item.AdoptValue(std::move(value));
    }
}

void RereadProperties(IDispatch* object, PropertyItems& items, DISPID id) noexcept {
    if (!object) return;
    const ole::ComPtr<IDispatch> held(object);
    // The object may do anything while it answers, the list's items included: each step looks again.
    for (size_t i = 0; i < items.Size(); ++i) {
        const ole::ComPtr<PropertyItem> item(&items.At(i));
        if (!IsReported(*item.Get(), id)) continue;
        RereadProperty(object, *item.Get());
        if (id != DISPID_UNKNOWN) break;
    }
    // The failed reads' error info is nobody's.
    ole::ClearErrorInfo();
}

}  // namespace proplist
