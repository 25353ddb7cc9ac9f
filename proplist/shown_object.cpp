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

void RereadProperties(IDispatch* object, PropertyItems& items, DISPID id) noexcept {
    if (!object) return;
    const ole::ComPtr<IDispatch> held(object);
    // The object may do anything while it answers, the list's items included: each step looks again.
    for (size_t i = 0; i < items.Size(); ++i) {
        const ole::ComPtr<PropertyItem> item(&items.At(i));
        const MEMBERID member = item->Description().memberId;
        if (member == DISPID_UNKNOWN || (id != DISPID_UNKNOWN && member != id)) continue;
        ole::Variant value;
        // A property that cannot be read now keeps what it showed.
        if (SUCCEEDED(ole::InvokeMember(object, member, DISPATCH_PROPERTYGET, {}, &value))) {
            item->AdoptValue(std::move(value));
        }
        if (id != DISPID_UNKNOWN) break;
    }
    // The failed reads' error info is nobody's.
    ole::ClearErrorInfo();
}

}  // namespace proplist
