// The type library as hosts of either size read it, from both builds: the library, its three
// type descriptions, where each function sits, the types it borrows from other libraries, events.
#include "built_libraries.h"
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "typelib/control_interface.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace typelib_tests {
namespace {

using ole::Bstr;
using ole::ComPtr;

constexpr GUID kStdoleLibrary = {0x00020430, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kListLibrary = {0x3f118ca4, 0x97a8, 0x4926, {0xaa, 0x0a, 0x6f, 0xd8, 0x0d, 0xfb, 0x3d, 0xce}};
constexpr GUID kFont = {0xbef6e003, 0xa874, 0x101a, {0x8b, 0xba, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};

// The functions of _Inspecta's vtable half in slot order. What each takes and returns is
// checked by calling it through the 64-bit library (interface_declaration_tests); here both
// builds are checked for what a host of either size reads without calling.
const std::vector<std::wstring> kSlotNames = {
    L"AutoWriteProperties", L"AutoWriteProperties", L"AutoPopulate", L"AutoPopulate", L"Item", L"Enabled",
    L"Enabled", L"HideCustomItems", L"HideCustomItems", L"About", L"HideReadOnlyItems", L"HideReadOnlyItems",
    L"Font", L"Font", L"RefreshValues", L"ClientObject", L"ClientObject"};

// The seven members every dispinterface inherits from IUnknown and IDispatch.
bool Inherited(std::wstring_view name) {
    for (const wchar_t* inherited : {L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount", L"GetTypeInfo",
                                     L"GetIDsOfNames", L"Invoke"})
        if (name == inherited) return true;
    return false;
}

struct TypeAttributes {
    TYPEATTR attributes{};
    explicit TypeAttributes(ITypeInfo* info) {
        TYPEATTR* read = nullptr;
        EXPECT_TRUE(SUCCEEDED(info->GetTypeAttr(&read)));
        if (read) {
            attributes = *read;
            info->ReleaseTypeAttr(read);
        }
    }
};

class TypeLibraryTest : public testing::TestWithParam<Build> {
protected:
    void SetUp() override {
        ASSERT_TRUE(listLibrary.Registered());
        ASSERT_NE(resources.Handle(), nullptr) << "the build's library is missing";
        ASSERT_TRUE(SUCCEEDED(LoadTypeLibEx(resources.Path().c_str(), REGKIND_NONE, library.Put())));
    }

    ComPtr<ITypeInfo> TypeAt(UINT index) {
        ComPtr<ITypeInfo> info;
        EXPECT_TRUE(SUCCEEDED(library->GetTypeInfo(index, info.Put())));
        return info;
    }

    // The vtable half of the dual interface.
    ComPtr<ITypeInfo> VtableInterface() {
        ComPtr<ITypeInfo> dispatchView = TypeAt(0), vtable;
        HREFTYPE reference = 0;
        EXPECT_TRUE(SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference)));
        EXPECT_TRUE(SUCCEEDED(dispatchView->GetRefTypeInfo(reference, vtable.Put())));
        return vtable;
    }

    // The library and version that hold a type referred to from `from`.
    static void ExpectReferencedType(ITypeInfo* from, HREFTYPE reference, const GUID& type, const GUID& library,
                                     WORD major, WORD minor) {
        ComPtr<ITypeInfo> referenced;
        ASSERT_TRUE(SUCCEEDED(from->GetRefTypeInfo(reference, referenced.Put())));
        EXPECT_EQ(TypeAttributes(referenced.Get()).attributes.guid, type);
        ComPtr<ITypeLib> container;
        UINT index = 0;
        ASSERT_TRUE(SUCCEEDED(referenced->GetContainingTypeLib(container.Put(), &index)));
        TLIBATTR* attributes = nullptr;
        ASSERT_TRUE(SUCCEEDED(container->GetLibAttr(&attributes)));
        EXPECT_EQ(attributes->guid, library);
        EXPECT_EQ(attributes->wMajorVerNum, major);
        EXPECT_EQ(attributes->wMinorVerNum, minor);
        container->ReleaseTLibAttr(attributes);
    }

    ListLibraryRegistration listLibrary;
    ResourceModule resources{GetParam()};
    ComPtr<ITypeLib> library;
};

TEST_P(TypeLibraryTest, LibraryAttributes) {
    TLIBATTR* attributes = nullptr;
    ASSERT_TRUE(SUCCEEDED(library->GetLibAttr(&attributes)));
    EXPECT_EQ(attributes->guid, LIBID_InspectaCtl);
    EXPECT_EQ(attributes->lcid, 0u);
    EXPECT_EQ(attributes->syskind, GetParam().system);
    EXPECT_EQ(attributes->wMajorVerNum, 8);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    // The loader adds "has a disk image" to what the library stores.
    EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL);
    library->ReleaseTLibAttr(attributes);

    Bstr name;
    ASSERT_TRUE(SUCCEEDED(library->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr)));
    EXPECT_EQ(name.View(), L"InspectaCtl");
    EXPECT_EQ(library->GetTypeInfoCount(), 3u);
}

TEST_P(TypeLibraryTest, ThreeTypeDescriptionsInOrder) {
    struct Expected {
        const wchar_t* name;
        TYPEKIND kind;
        const GUID* guid;
        WORD flags;
    };
    // A dual interface reads back as its dispatch half: dispatchable by derivation, and without
    // the automation flag, which readers report on the vtable half only (checked below).
    const Expected expected[] = {
        {L"_Inspecta", TKIND_DISPATCH, &IID__Inspecta,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE},
        {L"Inspecta", TKIND_COCLASS, &CLSID_Inspecta, TYPEFLAG_FCONTROL},
        {L"__Inspecta", TKIND_DISPATCH, &DIID___Inspecta, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE},
    };
    for (UINT index = 0; index < std::size(expected); ++index) {
        SCOPED_TRACE(testing::Message() << "type " << index);
        ComPtr<ITypeInfo> info = TypeAt(index);
        ASSERT_TRUE(info);
        const TYPEATTR attributes = TypeAttributes(info.Get()).attributes;
        EXPECT_EQ(attributes.typekind, expected[index].kind);
        EXPECT_EQ(attributes.guid, *expected[index].guid);
        EXPECT_EQ(attributes.wTypeFlags, expected[index].flags);
        EXPECT_EQ(attributes.wMajorVerNum, 1);
        EXPECT_EQ(attributes.wMinorVerNum, 0);
        Bstr name;
        ASSERT_TRUE(SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr)));
        EXPECT_EQ(name.View(), expected[index].name);
    }

    // The class: _Inspecta by default, __Inspecta as its default source; nothing else.
    ComPtr<ITypeInfo> coclass = TypeAt(1);
    ASSERT_EQ(TypeAttributes(coclass.Get()).attributes.cImplTypes, 2);
    const GUID* implemented[] = {&IID__Inspecta, &DIID___Inspecta};
    const INT implementedFlags[] = {IMPLTYPEFLAG_FDEFAULT, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
    for (UINT index = 0; index < 2; ++index) {
        HREFTYPE reference = 0;
        INT flags = -1;
        ASSERT_TRUE(SUCCEEDED(coclass->GetRefTypeOfImplType(index, &reference)));
        ASSERT_TRUE(SUCCEEDED(coclass->GetImplTypeFlags(index, &flags)));
        EXPECT_EQ(flags, implementedFlags[index]);
        ExpectReferencedType(coclass.Get(), reference, *implemented[index], LIBID_InspectaCtl, 8, 0);
    }

    // Both interfaces derive from stdole's IDispatch.
    for (UINT index : {0u, 2u}) {
        ComPtr<ITypeInfo> info = index == 0 ? VtableInterface() : TypeAt(index);
        ASSERT_TRUE(info);
        HREFTYPE base = 0;
        ASSERT_TRUE(SUCCEEDED(info->GetRefTypeOfImplType(0, &base)));
        ExpectReferencedType(info.Get(), base, IID_IDispatch, kStdoleLibrary, 2, 0);
    }
}

// The 64-bit writer of a 32-bit library once put 64-bit offsets in it: each build's functions
// must sit at its own pointer size, read back here in this process's.
TEST_P(TypeLibraryTest, EveryFunctionSitsInItsSlotForTheBuildsPointerSize) {
    ComPtr<ITypeInfo> vtable = VtableInterface();
    ASSERT_TRUE(vtable);
    const TYPEATTR attributes = TypeAttributes(vtable.Get()).attributes;
    EXPECT_EQ(attributes.typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes.wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                         TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    ASSERT_EQ(attributes.cFuncs, kSlotNames.size());
    EXPECT_EQ(attributes.cbSizeVft, (7 + kSlotNames.size()) * GetParam().pointerSize);
    std::vector<std::wstring> names;
    for (UINT index = 0; index < kSlotNames.size(); ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(vtable->GetFuncDesc(index, &function)));
        EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + index) * sizeof(void*))) << "slot " << index;
        EXPECT_EQ(function->callconv, CC_STDCALL) << "slot " << index;
        Bstr name;
        vtable->GetDocumentation(function->memid, name.Out(), nullptr, nullptr, nullptr);
        names.emplace_back(name.View());
        vtable->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(names, kSlotNames);
}

TEST_P(TypeLibraryTest, ItemReturnsTheListsItemAndFontIsStdolesFont) {
    ComPtr<ITypeInfo> vtable = VtableInterface();
    ASSERT_TRUE(vtable);
    for (UINT index : {4u, 12u}) {
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(vtable->GetFuncDesc(index, &function)));
        const TYPEDESC* type = &function->lprgelemdescParam[function->cParams - 1].tdesc;
        while (type->vt == VT_PTR) type = type->lptdesc;
        ASSERT_EQ(type->vt, VT_USERDEFINED);
        if (index == 4)
            ExpectReferencedType(vtable.Get(), type->hreftype, IID_IPropertyItem, kListLibrary, 2, 9);
        else
            ExpectReferencedType(vtable.Get(), type->hreftype, kFont, kStdoleLibrary, 2, 0);
        vtable->ReleaseFuncDesc(function);
    }
}

TEST_P(TypeLibraryTest, HostsBindByName) {
    ComPtr<ITypeInfo> dispatchView = TypeAt(0);
    ASSERT_TRUE(dispatchView);
    auto idOf = [&](const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        MEMBERID id = 0x12345678;
        return SUCCEEDED(dispatchView->GetIDsOfNames(names, 1, &id)) ? id : 0x12345678;
    };
    EXPECT_EQ(idOf(L"Enabled"), 0x68030004);
    EXPECT_EQ(idOf(L"About"), DISPID_ABOUTBOX);
    EXPECT_EQ(idOf(L"WriteProperties"), 0x12345678);

    // No value property: dispatch id 0 names nothing, on either half of the dual interface.
    for (ComPtr<ITypeInfo> info : {dispatchView, VtableInterface()}) {
        BSTR name = nullptr;
        UINT count = 99;
        EXPECT_TRUE(FAILED(info->GetNames(DISPID_VALUE, &name, 1, &count)));
        SysFreeString(name);
        const TYPEATTR attributes = TypeAttributes(info.Get()).attributes;
        for (UINT index = 0; index < attributes.cFuncs; ++index) {
            FUNCDESC* function = nullptr;
            ASSERT_TRUE(SUCCEEDED(info->GetFuncDesc(index, &function)));
            EXPECT_NE(function->memid, DISPID_VALUE) << "function " << index;
            info->ReleaseFuncDesc(function);
        }
    }
}

TEST_P(TypeLibraryTest, EventsAfterPopulateAndPropertyChanged) {
    ComPtr<ITypeInfo> events = TypeAt(2);
    ASSERT_TRUE(events);
    // Each event as "id name(parameter:type ...)", the inherited IDispatch members left out.
    std::vector<std::wstring> own;
    for (UINT index = 0; index < TypeAttributes(events.Get()).attributes.cFuncs; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(events->GetFuncDesc(index, &function)));
        BSTR names[4] = {};
        UINT count = 0;
        EXPECT_TRUE(SUCCEEDED(events->GetNames(function->memid, names, 4, &count)));
        std::wstring shown = std::to_wstring(function->memid) + L" " + (count ? names[0] : L"") + L"(";
        for (SHORT p = 0; p < function->cParams; ++p) {
            shown += (p ? L" " : L"") + std::wstring(p + 1u < count ? names[p + 1] : L"?") + L":" +
                     std::to_wstring(function->lprgelemdescParam[p].tdesc.vt);
        }
        shown += L")";
        const bool inherited = count && Inherited(names[0]);
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
        if (!inherited) {
            EXPECT_EQ(function->invkind, INVOKE_FUNC) << shown;
            EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_VOID) << shown;
            own.push_back(shown);
        }
        events->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(own, (std::vector<std::wstring>{L"1 AfterPopulate()", L"2 PropertyChanged(PropertyName:8 Value:12)"}));
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, TypeLibraryTest, testing::Values(kBuild64, kBuild32),
                         [](const testing::TestParamInfo<Build>& parameter) { return std::string(parameter.param.name); });

}  // namespace
}  // namespace typelib_tests
