#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

#include <string>

// Type information made at run time, for tests and benchmarks that need objects of any size.
namespace support {

// How the properties are declared: property-get functions or variables of a dispinterface, or
// property-get methods of a dual interface, whose vtable holds them after IDispatch's seven.
enum class Declared { kDispatchFunctions, kDispatchVariables, kDualMethods };

// "Prop0", "Prop1", ...
std::wstring PropertyName(UINT index);

// One interface of `count` read-only Long properties, PropertyName(i) with member id i + 1, in a
// type library written to a file and loaded back, as hosts load a library.
HRESULT BuildLongProperties(UINT count, Declared declared, ole::ComPtr<ITypeInfo>& built);

// An object that `info` describes, reading each property as its member id; it answers Invoke
// itself, so a read costs next to nothing.
ole::ComPtr<IDispatch> MakeMemberIdObject(ole::ComPtr<ITypeInfo> info);
// The same over a dispinterface of `count` property-get functions; null if it cannot be built.
ole::ComPtr<IDispatch> MakeMemberIdObject(UINT count);

}  // namespace support
