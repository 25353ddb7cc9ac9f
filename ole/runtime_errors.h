#pragma once

#include <windows.h>

namespace ole {

// The automation runtime's own errors, raised with this module as their source.
// 13: a value or object is not of the type asked for.
HRESULT RaiseTypeMismatch() noexcept;
// 91: a member was called on an object reference that is nothing.
HRESULT RaiseObjectNotSet() noexcept;

}  // namespace ole
