#pragma once

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/variant.h"

#include <windows.h>
#include <oaidl.h>

namespace ole {

// The enumerator of an automation collection, from its _NewEnum member (DISPID_NEWENUM).
HRESULT GetEnumerator(IDispatch* collection, ComPtr<IEnumVARIANT>& enumerator) noexcept;

// Visits every element of an automation collection in its enumeration order, as For Each does.
// `visit` takes a const VARIANT& and returns an HRESULT; the walk stops at the first failure
// (of a step or of a visit) and returns it.
template <typename Visit>
HRESULT ForEachElement(IDispatch* collection, Visit&& visit) noexcept {
    ComPtr<IEnumVARIANT> enumerator;
    RETURN_IF_FAILED(GetEnumerator(collection, enumerator));
    for (;;) {
        Variant element;
        ULONG fetched = 0;
        const HRESULT hr = enumerator->Next(1, element.Out(), &fetched);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || fetched == 0) return S_OK;
        RETURN_IF_FAILED(visit(element.Get()));
    }
}

}  // namespace ole
