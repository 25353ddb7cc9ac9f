#include "binding/uncounted_reference.h"

void UncountedReference::SetReference(IDispatch* object) noexcept {
    address_ = reinterpret_cast<LONG_PTR>(object);
}

ole::ComPtr<IDispatch> UncountedReference::Reference() const noexcept {
    // The assignment takes the one reference that the caller will own.
    ole::ComPtr<IDispatch> counted = reinterpret_cast<IDispatch*>(address_);
    return counted;
}
