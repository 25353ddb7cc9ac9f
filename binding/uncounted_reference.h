#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

// Holds an automation object by its address alone, so that holding it never keeps the object
// alive. Whoever stores an object keeps it alive, or empties the holder, for as long as
// Reference() may be read: the holder cannot tell when the object has gone.
//
// The one exception is an object that reaches us as a proxy from another apartment: COM made
// that proxy for the call that handed it over and nobody in this apartment holds it once the
// call returns, so the holder keeps it (counted) until it is replaced.
class UncountedReference {
public:
    UncountedReference() noexcept = default;
    UncountedReference(const UncountedReference&) = delete;
    UncountedReference& operator=(const UncountedReference&) = delete;
    // Destroying the holder releases nothing but a proxy it keeps.
    ~UncountedReference() = default;

    // The stored address, pointer-sized so that a 64-bit build holds all of it; 0 is none.
    LONG_PTR Pointer() const noexcept { return address_; }
    // Stores a raw address, unchecked, taking no reference; a proxy kept until now is let go.
    void SetPointer(LONG_PTR address) noexcept;

    // Remembers the object's address with no net change to its reference count (a proxy from
    // another apartment excepted); null empties.
    void SetReference(IDispatch* object) noexcept;
    // A new counted reference, owned by the caller, to the very interface pointer that was
    // stored; null when empty.
    ole::ComPtr<IDispatch> Reference() const noexcept;

private:
    void Replace(LONG_PTR address, ole::ComPtr<IDispatch> proxy) noexcept;

    LONG_PTR address_ = 0;
    ole::ComPtr<IDispatch> proxy_;
};
