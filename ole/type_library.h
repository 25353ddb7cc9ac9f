#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace ole {

// The module (DLL or program) that this code is linked into.
HMODULE CurrentModule() noexcept;
// Its full path, or an empty string if Windows cannot say.
std::wstring ModuleFileName();

// The type description of `guid` in that library (for a dual interface: its dispatch side).
HRESULT GetModuleTypeInfo(REFGUID guid, ComPtr<ITypeInfo>& info) noexcept;

// The vtable side of a dual interface, which ITypeInfo::Invoke needs to call the object.
HRESULT GetDualInterfaceTypeInfo(REFIID dual, ComPtr<ITypeInfo>& info) noexcept;

// IDispatch::GetIDsOfNames for a dual interface, answered by its type information. A lone name
// found once is answered again without a search.
HRESULT DualInterfaceIDsOfNames(REFIID dual, LPOLESTR* names, UINT count, DISPID* ids) noexcept;

}  // namespace ole
