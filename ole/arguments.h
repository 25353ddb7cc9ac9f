#pragma once

#include <windows.h>
#include <oaidl.h>

// VARIANTs that borrow what they hold, for arguments handed to Invoke or to an event's sinks:
// they own nothing and need no clearing; whoever keeps an argument copies it.
namespace ole {

namespace detail {
template <typename Assign>
VARIANT BorrowedArgument(VARTYPE type, Assign assign) noexcept {
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = type;
    assign(argument);
    return argument;
}
}  // namespace detail

inline VARIANT ObjectArgument(IDispatch* object) noexcept {
    return detail::BorrowedArgument(VT_DISPATCH, [&](VARIANT& a) { V_DISPATCH(&a) = object; });
}
inline VARIANT ShortArgument(SHORT value) noexcept {
    return detail::BorrowedArgument(VT_I2, [&](VARIANT& a) { V_I2(&a) = value; });
}
inline VARIANT LongArgument(LONG value) noexcept {
    return detail::BorrowedArgument(VT_I4, [&](VARIANT& a) { V_I4(&a) = value; });
}
inline VARIANT FloatArgument(float value) noexcept {
    return detail::BorrowedArgument(VT_R4, [&](VARIANT& a) { V_R4(&a) = value; });
}
inline VARIANT DateArgument(DATE value) noexcept {
    return detail::BorrowedArgument(VT_DATE, [&](VARIANT& a) { V_DATE(&a) = value; });
}
inline VARIANT TextArgument(BSTR text) noexcept {
    return detail::BorrowedArgument(VT_BSTR, [&](VARIANT& a) { V_BSTR(&a) = text; });
}
inline VARIANT BooleanArgument(VARIANT_BOOL value) noexcept {
    return detail::BorrowedArgument(VT_BOOL, [&](VARIANT& a) { V_BOOL(&a) = value; });
}

// By reference: the callee writes through to `slot`.
inline VARIANT ShortReference(SHORT* slot) noexcept {
    return detail::BorrowedArgument(VT_I2 | VT_BYREF, [&](VARIANT& a) { V_I2REF(&a) = slot; });
}
inline VARIANT TextReference(BSTR* slot) noexcept {
    return detail::BorrowedArgument(VT_BSTR | VT_BYREF, [&](VARIANT& a) { V_BSTRREF(&a) = slot; });
}
inline VARIANT BooleanReference(VARIANT_BOOL* slot) noexcept {
    return detail::BorrowedArgument(VT_BOOL | VT_BYREF, [&](VARIANT& a) { V_BOOLREF(&a) = slot; });
}
inline VARIANT ObjectReference(IDispatch** slot) noexcept {
    return detail::BorrowedArgument(VT_DISPATCH | VT_BYREF, [&](VARIANT& a) { V_DISPATCHREF(&a) = slot; });
}
inline VARIANT VariantReference(VARIANT* slot) noexcept {
    return detail::BorrowedArgument(VT_VARIANT | VT_BYREF, [&](VARIANT& a) { V_VARIANTREF(&a) = slot; });
}

}  // namespace ole
