#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>

namespace ole {

class Variant;

// Calls by name use US English, whatever the user's locale, so names and values mean the same
// to every client.
constexpr LCID kLateBoundLocale = 1033;

// Late-bound access to an automation object's members by name. Every call looks the name up
// with GetIDsOfNames and invokes it once. A failure returns its HRESULT; when the object raised
// an exception, its source and description become the thread's error info, so that the caller
// can pass them on.

// Property read (DISPATCH_PROPERTYGET, no arguments).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result) noexcept;

// Property assignment with exactly one argument named DISPID_PROPERTYPUT: by reference
// (DISPATCH_PROPERTYPUTREF) when the value holds an object reference, by value otherwise.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept;

// Method call (DISPATCH_METHOD) with positional arguments in their natural order; the result
// may be ignored by passing nullptr.
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::span<const VARIANT> arguments,
                   Variant* result) noexcept;

// The single invoke that the helpers above share, for callers that already hold the dispatch id.
// `arguments` are in natural order; an assignment takes exactly one, named DISPID_PROPERTYPUT.
HRESULT InvokeMember(IDispatch* object, DISPID member, WORD kind, std::span<const VARIANT> arguments,
                     Variant* result) noexcept;

}  // namespace ole
