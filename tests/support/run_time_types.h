#pragma once

#include "ole/com_ptr.h"

#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string>
#include <vector>

// Type information made at run time, for tests and benchmarks that need objects of any size or shape.
namespace support {

enum MemberFlags : unsigned {
    kReadOnly = 1, kHidden = 2, kRestricted = 4, kIndexed = 8, kMethod = 16, kByReference = 32, kVariable = 64
};

// A property of an interface (a method with kMethod, a dispinterface's variable with kVariable), or a
// constant of an enumeration, whose value is `id`. A property that is not read-only has a put accessor
// (putref with kByReference); an indexed one takes a Long first.
struct Member {
    std::wstring name;
    MEMBERID id;
    VARTYPE type = VT_I4;         // VT_USERDEFINED: the type named `of`; VT_PTR: a pointer to it
    const wchar_t* of = nullptr;  // a type declared before it in the library, or stdole's Font
    unsigned flags = 0;
    const wchar_t* help = nullptr;
};

// A dual interface's methods follow IDispatch's seven in its vtable. An alias's one member is the type
// it names; a class's one member is its default interface, named by `of`.
enum class Kind { kDispatch, kDual, kEnumeration, kAlias, kClass };

struct TypeRows {
    const wchar_t* name;
    Kind kind;
    std::vector<Member> members;
};

// The types in a library written to a file and loaded back, as hosts load a library; `built` holds
// them in the order given.
HRESULT BuildLibrary(std::span<const TypeRows> types, std::vector<ole::ComPtr<ITypeInfo>>& built);

// How BuildLongProperties declares its properties.
enum class Declared { kDispatchFunctions, kDispatchVariables, kDualMethods };

// "Prop0", "Prop1", ...
std::wstring PropertyName(UINT index);

// One interface of `count` read-only Long properties, PropertyName(i) with member id i + 1.
HRESULT BuildLongProperties(UINT count, Declared declared, ole::ComPtr<ITypeInfo>& built);

// An object that `info` describes, reading each property as its member id; it answers Invoke
// itself, so a read costs next to nothing.
ole::ComPtr<IDispatch> MakeMemberIdObject(ole::ComPtr<ITypeInfo> info);
// The same over a dispinterface of `count` property-get functions; null if it cannot be built.
ole::ComPtr<IDispatch> MakeMemberIdObject(UINT count);

}  // namespace support
