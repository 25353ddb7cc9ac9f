#include "binding/uncounted_reference.h"

#include <utility>

namespace {

// COM's proxies answer IClientSecurity themselves, without a call to the object's apartment;
// automation objects do not implement it.
bool IsProxy(IDispatch* object) noexcept {
    ole::ComPtr<IClientSecurity> security;
    return object && SUCCEEDED(object->QueryInterface(IID_IClientSecurity, security.PutVoid()));
}

}  // namespace

void UncountedReference::SetPointer(LONG_PTR address) noexcept { Replace(address, nullptr); }

void UncountedReference::SetReference(IDispatch* object) noexcept {
    Replace(reinterpret_cast<LONG_PTR>(object), IsProxy(object) ? ole::ComPtr<IDispatch>(object) : nullptr);
}

void UncountedReference::Replace(LONG_PTR address, ole::ComPtr<IDispatch> proxy) noexcept {
    address_ = address;
    // The field is replaced before the old proxy goes: its release may re-enter.
    ole::ComPtr<IDispatch> previous = std::exchange(proxy_, std::move(proxy));
}

ole::ComPtr<IDispatch> UncountedReference::Reference() const noexcept {
    // The assignment takes the one reference that the caller will own.
    ole::ComPtr<IDispatch> counted = reinterpret_cast<IDispatch*>(address_);
    return counted;
}
