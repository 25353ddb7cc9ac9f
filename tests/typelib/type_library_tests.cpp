// The type library as hosts read it, from both builds: the library, its three type
// descriptions, every member of _Inspecta and __Inspecta, and what they refer to.
#include "built_libraries.h"
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "typelib/control_interface.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace typelib_tests {
namespace {

using ole::Bstr;
using ole::ComPtr;

constexpr GUID kStdoleLibrary = {0x00020430, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kListLibrary = {0x3f118ca4, 0x97a8, 0x4926, {0xaa, 0x0a, 0x6f, 0xd8, 0x0d, 0xfb, 0x3d, 0xce}};
constexpr GUID kFont = {0xbef6e003, 0xa874, 0x101a, {0x8b, 0xba, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};

// A parameter's type as a host sees it: pointer levels over a base type; for a type of
// another library, the identity of that type.
struct ParameterType {
    int pointers;
    VARTYPE base;
    const GUID* userDefined;
    USHORT flags;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kResult = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr ParameterType kBooleanResult{1, VT_BOOL, nullptr, kResult};
constexpr ParameterType kBooleanIn{0, VT_BOOL, nullptr, kIn};

struct ExpectedMember {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    std::vector<ParameterType> parameters;
    std::vector<const wchar_t*> parameterNames;
    std::wstring_view help;
    DWORD helpContext;
};

const std::wstring_view kAutoWriteHelp =
    L"Returns or sets if changes are immediatley applied to the client object, or if they are not applied until "
    L"the WriteProperties method is called.";
const std::wstring_view kAutoPopulateHelp =
    L"Returns or sets if the list of properties are generated each time the ClientObject property is set";
const std::wstring_view kEnabledHelp =
    L"Returns or sets a value that determines whether a form or control can respond to user-generated events.";
const std::wstring_view kHideCustomHelp = L"Returns or sets if items with a Style of Custom are hidden.";
const std::wstring_view kHideReadOnlyHelp = L"Returns or sets if read-only items are automatically hidden.";
const std::wstring_view kFontHelp = L"Returns or sets the default font used to display text in a control  ";
const std::wstring_view kClientHelp = L"Returns or sets the client object to be edited]  ";

const std::vector<ExpectedMember>& Members() {
    static const std::vector<ExpectedMember> members = {
        {L"AutoWriteProperties", INVOKE_PROPERTYGET, 0x68030007, {kBooleanResult}, {}, kAutoWriteHelp, 0},
        {L"AutoWriteProperties", INVOKE_PROPERTYPUT, 0x68030007, {kBooleanIn}, {}, kAutoWriteHelp, 0},
        {L"AutoPopulate", INVOKE_PROPERTYGET, 0x68030006, {kBooleanResult}, {}, kAutoPopulateHelp, 0},
        {L"AutoPopulate", INVOKE_PROPERTYPUT, 0x68030006, {kBooleanIn}, {}, kAutoPopulateHelp, 0},
        {L"Item", INVOKE_PROPERTYGET, 0x68030005,
         {{0, VT_BSTR, nullptr, kIn}, {2, VT_USERDEFINED, &IID_IPropertyItem, kResult}}, {L"Key"},
         L"Returns a reference to an invidual item in the list", 0},
        {L"Enabled", INVOKE_PROPERTYGET, 0x68030004, {kBooleanResult}, {}, kEnabledHelp, 0},
        {L"Enabled", INVOKE_PROPERTYPUT, 0x68030004, {kBooleanIn}, {}, kEnabledHelp, 0},
        {L"HideCustomItems", INVOKE_PROPERTYGET, 0x68030003, {kBooleanResult}, {}, kHideCustomHelp, 0},
        {L"HideCustomItems", INVOKE_PROPERTYPUT, 0x68030003, {kBooleanIn}, {}, kHideCustomHelp, 0},
        {L"About", INVOKE_FUNC, -552, {}, {}, L"Displays version, copyright and contact information.", 0},
        {L"HideReadOnlyItems", INVOKE_PROPERTYGET, 0x68030002, {kBooleanResult}, {}, kHideReadOnlyHelp, 0},
        {L"HideReadOnlyItems", INVOKE_PROPERTYPUT, 0x68030002, {kBooleanIn}, {}, kHideReadOnlyHelp, 0},
        {L"Font", INVOKE_PROPERTYGET, 0x68030001, {{2, VT_USERDEFINED, &kFont, kResult}}, {}, kFontHelp, 6648},
        {L"Font", INVOKE_PROPERTYPUTREF, 0x68030001, {{1, VT_USERDEFINED, &kFont, kIn}}, {}, kFontHelp, 6648},
        {L"RefreshValues", INVOKE_FUNC, 0x6003000C, {}, {}, L"Refreshes the values of wrapped properties", 6649},
        {L"ClientObject", INVOKE_PROPERTYGET, 0x68030000, {{1, VT_DISPATCH, nullptr, kResult}}, {}, kClientHelp, 6650},
        {L"ClientObject", INVOKE_PROPERTYPUTREF, 0x68030000, {{0, VT_DISPATCH, nullptr, kIn}}, {}, kClientHelp, 6650},
    };
    return members;
}

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

struct Documentation {
    Bstr name, help, helpFile;
    DWORD helpContext = 0xFFFFFFFF;
};

Documentation Document(ITypeInfo* info, MEMBERID id) {
    Documentation documentation;
    EXPECT_TRUE(SUCCEEDED(info->GetDocumentation(id, documentation.name.Out(), documentation.help.Out(),
                                                 &documentation.helpContext, documentation.helpFile.Out())));
    return documentation;
}

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

    Bstr name, help, helpFile;
    DWORD ignoredContext = 0;
    ASSERT_TRUE(SUCCEEDED(library->GetDocumentation(-1, name.Out(), help.Out(), &ignoredContext, helpFile.Out())));
    EXPECT_EQ(name.View(), L"InspectaCtl");
    EXPECT_EQ(help.View(), L"Inspecta Software Inspecta Control 2.0");
    EXPECT_EQ(helpFile.Get(), nullptr);
    EXPECT_EQ(library->GetTypeInfoCount(), 3u);

    // Wine's reader drops the library's help context; the stored header holds it.
    const ResourceModule::Data stored = resources.Find(L"TYPELIB", MAKEINTRESOURCEW(1), LANG_NEUTRAL);
    ASSERT_GE(stored.size, 48u);
    DWORD header[12];
    std::memcpy(header, stored.bytes, sizeof header);
    EXPECT_EQ(std::memcmp(stored.bytes, "MSFT", 4), 0);
    EXPECT_EQ(header[11], 6652u);
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
        const Documentation documentation = Document(info.Get(), MEMBERID_NIL);
        EXPECT_EQ(documentation.name.View(), expected[index].name);
        EXPECT_EQ(documentation.helpContext, 6646u);
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

TEST_P(TypeLibraryTest, InspectaMembersInSlotOrder) {
    ComPtr<ITypeInfo> vtable = VtableInterface();
    ASSERT_TRUE(vtable);
    const TYPEATTR attributes = TypeAttributes(vtable.Get()).attributes;
    EXPECT_EQ(attributes.typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes.wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                         TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    ASSERT_EQ(attributes.cFuncs, Members().size());
    EXPECT_EQ(attributes.cbSizeVft, (7 + Members().size()) * GetParam().pointerSize);
    // Each function's own vtable offset reads back in this process's pointer size.
    constexpr UINT kPointer = sizeof(void*);

    for (UINT index = 0; index < Members().size(); ++index) {
        const ExpectedMember& member = Members()[index];
        SCOPED_TRACE(testing::Message() << "slot " << index << " ");
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(vtable->GetFuncDesc(index, &function)));
        EXPECT_EQ(function->memid, member.id);
        EXPECT_EQ(function->invkind, member.kind);
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->wFuncFlags, 0);
        EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + index) * kPointer));
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(function->cParamsOpt, 0);
        ASSERT_EQ(static_cast<size_t>(function->cParams), member.parameters.size());
        for (size_t p = 0; p < member.parameters.size(); ++p) {
            const ParameterType& expected = member.parameters[p];
            const ELEMDESC& element = function->lprgelemdescParam[p];
            EXPECT_EQ(element.paramdesc.wParamFlags, expected.flags) << "parameter " << p;
            const TYPEDESC* type = &element.tdesc;
            for (int level = 0; level < expected.pointers && type->vt == VT_PTR; ++level) type = type->lptdesc;
            EXPECT_EQ(type->vt, expected.base) << "parameter " << p;
            int pointers = 0;
            for (const TYPEDESC* walk = &element.tdesc; walk->vt == VT_PTR; walk = walk->lptdesc) ++pointers;
            EXPECT_EQ(pointers, expected.pointers) << "parameter " << p;
            if (expected.userDefined && type->vt == VT_USERDEFINED) {
                ComPtr<ITypeInfo> referenced;
                ASSERT_TRUE(SUCCEEDED(vtable->GetRefTypeInfo(type->hreftype, referenced.Put())));
                EXPECT_EQ(TypeAttributes(referenced.Get()).attributes.guid, *expected.userDefined);
            }
        }

        BSTR names[4] = {};
        UINT count = 0;
        ASSERT_TRUE(SUCCEEDED(vtable->GetNames(function->memid, names, 4, &count)));
        std::vector<std::wstring> read;
        for (UINT n = 0; n < count; ++n) {
            read.emplace_back(names[n] ? names[n] : L"");
            SysFreeString(names[n]);
        }
        ASSERT_FALSE(read.empty());
        EXPECT_EQ(read[0], member.name);
        std::vector<std::wstring> parameterNames(read.begin() + 1, read.end());
        EXPECT_EQ(parameterNames, std::vector<std::wstring>(member.parameterNames.begin(), member.parameterNames.end()));

        const Documentation documentation = Document(vtable.Get(), member.id);
        EXPECT_EQ(documentation.help.View(), member.help);
        EXPECT_EQ(documentation.help.Length(), member.help.size());
        EXPECT_EQ(documentation.helpContext, member.helpContext);
        vtable->ReleaseFuncDesc(function);
    }
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
    const TYPEATTR attributes = TypeAttributes(events.Get()).attributes;

    struct Own {
        MEMBERID id;
        std::wstring name;
        std::vector<std::wstring> parameters;
        std::vector<VARTYPE> types;
        std::vector<USHORT> flags;
        VARTYPE result;
        FUNCKIND kind;
        INVOKEKIND invoke;
        WORD funcFlags;
    };
    std::vector<Own> own;
    for (UINT index = 0; index < attributes.cFuncs; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(events->GetFuncDesc(index, &function)));
        BSTR names[4] = {};
        UINT count = 0;
        EXPECT_TRUE(SUCCEEDED(events->GetNames(function->memid, names, 4, &count)));
        Own member{function->memid, count ? names[0] : L"", {}, {}, {}, function->elemdescFunc.tdesc.vt,
                   function->funckind, function->invkind, function->wFuncFlags};
        for (UINT n = 1; n < count; ++n) member.parameters.emplace_back(names[n]);
        for (SHORT p = 0; p < function->cParams; ++p) {
            member.types.push_back(function->lprgelemdescParam[p].tdesc.vt);
            member.flags.push_back(function->lprgelemdescParam[p].paramdesc.wParamFlags);
        }
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
        events->ReleaseFuncDesc(function);
        if (!Inherited(member.name)) own.push_back(member);
    }

    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[0].id, 1);
    EXPECT_EQ(own[0].name, L"AfterPopulate");
    EXPECT_TRUE(own[0].parameters.empty());
    EXPECT_TRUE(own[0].types.empty());
    EXPECT_EQ(own[1].id, 2);
    EXPECT_EQ(own[1].name, L"PropertyChanged");
    EXPECT_EQ(own[1].parameters, (std::vector<std::wstring>{L"PropertyName", L"Value"}));
    EXPECT_EQ(own[1].types, (std::vector<VARTYPE>{VT_BSTR, VT_VARIANT}));
    EXPECT_EQ(own[1].flags, (std::vector<USHORT>{kIn, kIn}));
    for (const Own& member : own) {
        EXPECT_EQ(member.result, VT_VOID) << member.name;
        EXPECT_EQ(member.kind, FUNC_DISPATCH) << member.name;
        EXPECT_EQ(member.invoke, INVOKE_FUNC) << member.name;
        EXPECT_EQ(member.funcFlags, 0) << member.name;
        const Documentation documentation = Document(events.Get(), member.id);
        EXPECT_EQ(documentation.help.Get(), nullptr) << member.name;
    }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, TypeLibraryTest, testing::Values(kBuild64, kBuild32),
                         [](const testing::TestParamInfo<Build>& parameter) { return std::string(parameter.param.name); });

}  // namespace
}  // namespace typelib_tests
