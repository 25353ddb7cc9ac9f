#include "ole/late_bound.h"

#include "ole/error_info.h"
#include "ole/variant.h"

#include <vector>

namespace ole {

namespace {

HRESULT LookUp(IDispatch* object, const wchar_t* name, DISPID& member) noexcept {
    if (!object || !name) return E_POINTER;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, kLateBoundLocale, &member);
    if (FAILED(hr)) ClearErrorInfo();
    return hr;
}

bool IsAssignment(WORD kind) {
    return kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF;
}

}  // namespace

HRESULT InvokeMember(IDispatch* object, DISPID member, WORD kind, std::span<const VARIANT> arguments,
                     Variant* result) noexcept {
    if (!object) return E_POINTER;
    if (IsAssignment(kind) && arguments.size() != 1) return E_INVALIDARG;
    // IDispatch takes its arguments last-first, in a mutable array it must not change.
    VARIANT reversed[8];
    std::vector<VARIANT> spill;
    VARIANT* args = reversed;
    if (arguments.size() > std::size(reversed)) {
        try {
            spill.resize(arguments.size());
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        args = spill.data();
    }
    for (size_t i = 0; i < arguments.size(); ++i) args[arguments.size() - 1 - i] = arguments[i];

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = arguments.empty() ? nullptr : args;
    parameters.cArgs = static_cast<UINT>(arguments.size());
    if (IsAssignment(kind)) {
        parameters.rgdispidNamedArgs = &namedPut;
        parameters.cNamedArgs = 1;
    }

    Variant discarded;
    Variant& out = result ? *result : discarded;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = object->Invoke(member, IID_NULL, kLateBoundLocale, kind, &parameters,
                                      IsAssignment(kind) ? nullptr : out.Out(), &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION) return TakeException(exception);
    if (FAILED(hr)) ClearErrorInfo();
    return hr;
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result) noexcept {
    // Whatever fails, a failed read leaves no earlier value behind for the caller to take.
    result.Reset();
    DISPID member = DISPID_UNKNOWN;
    const HRESULT hr = LookUp(object, name, member);
    if (FAILED(hr)) return hr;
    return InvokeMember(object, member, DISPATCH_PROPERTYGET, {}, &result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept {
    DISPID member = DISPID_UNKNOWN;
    const HRESULT hr = LookUp(object, name, member);
    if (FAILED(hr)) return hr;
    const WORD kind = HoldsObjectReference(value) ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    return InvokeMember(object, member, kind, {&value, 1}, nullptr);
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::span<const VARIANT> arguments,
                   Variant* result) noexcept {
    DISPID member = DISPID_UNKNOWN;
    const HRESULT hr = LookUp(object, name, member);
    if (FAILED(hr)) return hr;
    return InvokeMember(object, member, DISPATCH_METHOD, arguments, result);
}

}  // namespace ole
