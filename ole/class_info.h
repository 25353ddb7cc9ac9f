#pragma once

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"

#include <windows.h>
#include <cguid.h>
#include <ocidl.h>

namespace ole {

// IProvideClassInfo2 from the module's type library. `Derived` names its class and its default
// source interface (GUID_NULL when it raises no events):
//     static const CLSID& ClassId() noexcept;
//     static const IID& DefaultSourceId() noexcept;
template <typename Derived>
class ProvideClassInfoImpl : public IProvideClassInfo2 {
public:
    IFACEMETHODIMP GetClassInfo(ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        ComPtr<ITypeInfo> coclass;
        RETURN_IF_FAILED(GetModuleTypeInfo(Derived::ClassId(), coclass));
        return coclass.CopyTo(info);
    }

    IFACEMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
        if (!guid) return E_POINTER;
        *guid = GUID_NULL;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        if (Derived::DefaultSourceId() == GUID_NULL) return E_FAIL;
        *guid = Derived::DefaultSourceId();
        return S_OK;
    }
};

// ISupportErrorInfo for an object whose automation interface is `Dual`: its failing methods
// publish error info, other interfaces' do not.
template <typename Dual>
class SupportErrorInfoImpl : public ISupportErrorInfo {
public:
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == __uuidof(Dual) || iid == IID_IDispatch ? S_OK : S_FALSE;
    }
};

}  // namespace ole
