#pragma once

#include <windows.h>
#include <oaidl.h>

namespace ole {

// What an IDispatch::Invoke checks before anything reads a caller's arguments: each array is
// there when its count says so, and no more arguments are named than are passed. The platform's
// ITypeInfo::Invoke reads the arrays as the counts say, unchecked.
inline HRESULT CheckDispatchParameters(const DISPPARAMS& parameters) noexcept {
    if (parameters.cArgs > 0 && !parameters.rgvarg) return E_INVALIDARG;
    if (parameters.cNamedArgs > 0 && !parameters.rgdispidNamedArgs) return E_INVALIDARG;
    if (parameters.cNamedArgs > parameters.cArgs) return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

}  // namespace ole
