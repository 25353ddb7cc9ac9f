#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

#include <string>

// An automation object of `count` Long properties, "Prop0" to "Prop<count-1>". Described, it has a
// type library built at run time and IDispatch::Invoke goes through ITypeInfo::Invoke over the
// object's vtable, as objects of ATL and VB do; undescribed, it answers Invoke itself. Names are
// found in a hash table either way, as ATL's type-information holder finds them. Every call is
// counted.

struct TypelibClientCalls {
    size_t lookups = 0;
    size_t invokes = 0;
};

HRESULT MakeClient(UINT count, bool described, ole::ComPtr<IDispatch>& client, TypelibClientCalls*& calls);

// A type library cannot describe more properties than this on one dual interface: vtable
// offsets are 16-bit numbers (4088 on 64-bit Windows, 8184 on 32-bit).
UINT MaxTypelibProperties();

std::wstring PropertyName(UINT index);
