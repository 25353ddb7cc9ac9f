#pragma once

#include "ole/com_ptr.h"
#include "ole/dispatch_parameters.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/type_library.h"

#include <windows.h>
#include <cguid.h>
#include <oaidl.h>

namespace ole {

// IDispatch for an object that implements the dual interface `Dual` described in the module's
// type library: names and calls go through the type information, so late-bound callers reach
// exactly the vtable methods that early-bound callers call.
template <typename Dual>
class DispatchImpl : public Dual {
public:
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ComPtr<ITypeInfo> described;
        RETURN_IF_FAILED(GetModuleTypeInfo(__uuidof(Dual), described));
        return described.CopyTo(info);
    }

    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DualInterfaceIDsOfNames(__uuidof(Dual), names, count, ids);
    }

    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!parameters) return E_INVALIDARG;
        RETURN_IF_FAILED(CheckDispatchParameters(*parameters));
        ComPtr<ITypeInfo> vtable;
        RETURN_IF_FAILED(GetDualInterfaceTypeInfo(__uuidof(Dual), vtable));
        // The type information turns a failing method's error info into EXCEPINFO; error info
        // left over from an earlier call must not be taken for this call's.
        ClearErrorInfo();
        return vtable->Invoke(static_cast<Dual*>(this), id, flags, parameters, result, exception, argumentError);
    }
};

}  // namespace ole
