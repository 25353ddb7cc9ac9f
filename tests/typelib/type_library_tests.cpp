// Inspecta2.ocx of both builds as hosts of either size read it: its type library, each slot called on an
// object built on control_interface.h so that the two cannot drift apart, and the resources looked up.
#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "typelib/control_interface.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using ole::ComPtr;

struct Build {
    SYSKIND system;
    const wchar_t* file;  // the 32-bit library can be opened only as data by this 64-bit program
};

const Build kBuilds[] = {{SYS_WIN64, L"" INSPECTA_OCX}, {SYS_WIN32, L"" INSPECTA_X86_OCX}};
void PrintTo(const Build& build, std::ostream* out) { *out << (build.system == SYS_WIN64 ? "x64" : "x86"); }

// _Inspecta as the control implements it; each member records how it was reached.
class RecordingInspecta : public ole::ComObject<RecordingInspecta, _Inspecta> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<RecordingInspecta, _Inspecta>()};
        return table;
    }
    std::wstring reached;

    // Calls through the vtable half do not come back through IDispatch.
    IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    IFACEMETHODIMP get_AutoWriteProperties(VARIANT_BOOL* value) override { return Get(L"get_AutoWriteProperties", value); }
    IFACEMETHODIMP put_AutoWriteProperties(VARIANT_BOOL value) override { return Put(L"put_AutoWriteProperties", value); }
    IFACEMETHODIMP get_AutoPopulate(VARIANT_BOOL* value) override { return Get(L"get_AutoPopulate", value); }
    IFACEMETHODIMP put_AutoPopulate(VARIANT_BOOL value) override { return Put(L"put_AutoPopulate", value); }
    IFACEMETHODIMP get_Item(BSTR key, IPropertyItem** item) override {
        return Get(L"get_Item(" + std::wstring(key ? key : L"") + L")", item);
    }
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* value) override { return Get(L"get_Enabled", value); }
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL value) override { return Put(L"put_Enabled", value); }
    IFACEMETHODIMP get_HideCustomItems(VARIANT_BOOL* value) override { return Get(L"get_HideCustomItems", value); }
    IFACEMETHODIMP put_HideCustomItems(VARIANT_BOOL value) override { return Put(L"put_HideCustomItems", value); }
    IFACEMETHODIMP About() override { return Record(L"About"); }
    IFACEMETHODIMP get_HideReadOnlyItems(VARIANT_BOOL* value) override { return Get(L"get_HideReadOnlyItems", value); }
    IFACEMETHODIMP put_HideReadOnlyItems(VARIANT_BOOL value) override { return Put(L"put_HideReadOnlyItems", value); }
    IFACEMETHODIMP get_Font(IFontDisp** font) override { return Get(L"get_Font", font); }
    IFACEMETHODIMP putref_Font(IFontDisp* font) override { return Put(L"putref_Font", font); }
    IFACEMETHODIMP RefreshValues() override { return Record(L"RefreshValues"); }
    IFACEMETHODIMP get_ClientObject(IDispatch** client) override { return Get(L"get_ClientObject", client); }
    IFACEMETHODIMP putref_ClientObject(IDispatch* client) override { return Put(L"putref_ClientObject", client); }

private:
    HRESULT Record(std::wstring call) { reached = std::move(call); return S_OK; }
    HRESULT Get(std::wstring name, VARIANT_BOOL* value) { *value = VARIANT_TRUE; return Record(std::move(name)); }
    template <typename Object>
    HRESULT Get(std::wstring name, Object** object) { *object = nullptr; return Record(std::move(name)); }
    HRESULT Put(std::wstring name, VARIANT_BOOL value) { return Record(name + L"(" + std::to_wstring(value) + L")"); }
    HRESULT Put(std::wstring name, IUnknown* object) { return Record(name + (object ? L"(object)" : L"(nothing)")); }
};

struct Slot {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    VARTYPE argument;        // given as true, "Caption" or Nothing
    const wchar_t* reached;  // what the header's method records, with the value a get returned
    const GUID* borrowed;    // the other library's type its last parameter is
};

// _Inspecta's vtable half, slot by slot after IDispatch's seven.
const Slot kSlots[] = {
    {L"AutoWriteProperties", INVOKE_PROPERTYGET, 0x68030007, VT_EMPTY, L"get_AutoWriteProperties -> -1", nullptr},
    {L"AutoWriteProperties", INVOKE_PROPERTYPUT, 0x68030007, VT_BOOL, L"put_AutoWriteProperties(-1)", nullptr},
    {L"AutoPopulate", INVOKE_PROPERTYGET, 0x68030006, VT_EMPTY, L"get_AutoPopulate -> -1", nullptr},
    {L"AutoPopulate", INVOKE_PROPERTYPUT, 0x68030006, VT_BOOL, L"put_AutoPopulate(-1)", nullptr},
    {L"Item", INVOKE_PROPERTYGET, 0x68030005, VT_BSTR, L"get_Item(Caption)", &IID_IPropertyItem},
    {L"Enabled", INVOKE_PROPERTYGET, 0x68030004, VT_EMPTY, L"get_Enabled -> -1", nullptr},
    {L"Enabled", INVOKE_PROPERTYPUT, 0x68030004, VT_BOOL, L"put_Enabled(-1)", nullptr},
    {L"HideCustomItems", INVOKE_PROPERTYGET, 0x68030003, VT_EMPTY, L"get_HideCustomItems -> -1", nullptr},
    {L"HideCustomItems", INVOKE_PROPERTYPUT, 0x68030003, VT_BOOL, L"put_HideCustomItems(-1)", nullptr},
    {L"About", INVOKE_FUNC, DISPID_ABOUTBOX, VT_EMPTY, L"About", nullptr},
    {L"HideReadOnlyItems", INVOKE_PROPERTYGET, 0x68030002, VT_EMPTY, L"get_HideReadOnlyItems -> -1", nullptr},
    {L"HideReadOnlyItems", INVOKE_PROPERTYPUT, 0x68030002, VT_BOOL, L"put_HideReadOnlyItems(-1)", nullptr},
    {L"Font", INVOKE_PROPERTYGET, 0x68030001, VT_EMPTY, L"get_Font", &IID_IFontDisp},
    {L"Font", INVOKE_PROPERTYPUTREF, 0x68030001, VT_DISPATCH, L"putref_Font(nothing)", &IID_IFontDisp},
    {L"RefreshValues", INVOKE_FUNC, 0x6003000C, VT_EMPTY, L"RefreshValues", nullptr},
    {L"ClientObject", INVOKE_PROPERTYGET, 0x68030000, VT_EMPTY, L"get_ClientObject", nullptr},
    {L"ClientObject", INVOKE_PROPERTYPUTREF, 0x68030000, VT_DISPATCH, L"putref_ClientObject(nothing)", nullptr},
};

TYPEATTR Attributes(ITypeInfo* info) {
    TYPEATTR* read = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&read), S_OK);
    const TYPEATTR copy = read ? *read : TYPEATTR{};
    if (read) info->ReleaseTypeAttr(read);
    return copy;
}

// The type a description refers to, which may live in another library.
GUID ReferencedType(ITypeInfo* from, HREFTYPE reference) {
    ComPtr<ITypeInfo> referenced;
    EXPECT_EQ(from->GetRefTypeInfo(reference, referenced.Put()), S_OK);
    return referenced ? Attributes(referenced.Get()).guid : GUID_NULL;
}

class BuiltLibraryTest : public testing::TestWithParam<Build> {
protected:
    // Item's result lives in the list control's library, which hosts find through its
    // registration: each build's list library is registered, as installing the list would.
    static void SetUpTestSuite() {
        for (const wchar_t* file : {L"" KAVELLA_TLB_FILE, L"" KAVELLA_X86_TLB_FILE})
            EXPECT_EQ(LoadTypeLibEx(file, REGKIND_REGISTER, ComPtr<ITypeLib>().Put()), S_OK);
    }
    static void TearDownTestSuite() {
        for (SYSKIND kind : {SYS_WIN64, SYS_WIN32}) EXPECT_EQ(UnRegisterTypeLib(LIBID_KavellaCtl, 2, 9, 0, kind), S_OK);
    }
    void SetUp() override {
        ASSERT_EQ(LoadTypeLibEx(GetParam().file, REGKIND_NONE, library.Put()), S_OK);
        ASSERT_EQ(library->GetTypeInfoCount(), 3u);
        for (UINT index = 0; index < 3; ++index) ASSERT_EQ(library->GetTypeInfo(index, types[index].Put()), S_OK);
        HREFTYPE reference = 0;
        ASSERT_EQ(types[0]->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK);
        ASSERT_EQ(types[0]->GetRefTypeInfo(reference, vtable.Put()), S_OK);
    }

    ComPtr<ITypeLib> library;
    // _Inspecta's dispatch half, Inspecta, __Inspecta; and the vtable half, which hosts call.
    ComPtr<ITypeInfo> types[3], vtable;
};

TEST_P(BuiltLibraryTest, TheLibraryHoldsTheInterfaceTheControlClassAndItsEvents) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, LIBID_InspectaCtl);
    EXPECT_EQ(attributes->syskind, GetParam().system);
    EXPECT_EQ(std::make_pair(attributes->wMajorVerNum, attributes->wMinorVerNum), std::make_pair(WORD{8}, WORD{0}))
        << "the version compiled hosts refer to";
    // The loader adds "has a disk image" to what the library stores.
    EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL);
    library->ReleaseTLibAttr(attributes);
    ole::Bstr name;
    ASSERT_EQ(library->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.View(), L"InspectaCtl");

    // The vtable half of _Inspecta, which hosts call; the class; its events.
    const struct {
        const wchar_t* name;
        TYPEKIND kind;
        const GUID* guid;
        WORD flags;
        std::vector<std::pair<const GUID*, INT>> implemented;
    } kTypes[] = {
        {L"_Inspecta", TKIND_INTERFACE, &IID__Inspecta,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
         {{&IID_IDispatch, 0}}},
        {L"Inspecta", TKIND_COCLASS, &CLSID_Inspecta, TYPEFLAG_FCONTROL,
         {{&IID__Inspecta, IMPLTYPEFLAG_FDEFAULT}, {&DIID___Inspecta, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
        {L"__Inspecta", TKIND_DISPATCH, &DIID___Inspecta,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, {{&IID_IDispatch, 0}}},
    };
    for (UINT index = 0; index < std::size(kTypes); ++index) {
        const auto& expected = kTypes[index];
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.name)));
        const ComPtr<ITypeInfo>& info = index == 0 ? vtable : types[index];
        const TYPEATTR type = Attributes(info.Get());
        EXPECT_EQ(type.typekind, expected.kind);
        EXPECT_EQ(type.guid, *expected.guid);
        EXPECT_EQ(type.wTypeFlags, expected.flags);
        ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(name.View(), expected.name);
        ASSERT_EQ(type.cImplTypes, expected.implemented.size());
        for (UINT implemented = 0; implemented < type.cImplTypes; ++implemented) {
            HREFTYPE reference = 0;
            INT flags = -1;
            ASSERT_EQ(info->GetRefTypeOfImplType(implemented, &reference), S_OK);
            EXPECT_EQ(ReferencedType(info.Get(), reference), *expected.implemented[implemented].first);
            EXPECT_EQ(info->GetImplTypeFlags(implemented, &flags), S_OK);
            EXPECT_EQ(flags, expected.implemented[implemented].second);
        }
    }

    // Each event as "id kind name:result-type parameter:type ...": methods (1) returning nothing
    // (VT_VOID, 24), given a BSTR (8) and a VARIANT (12). Readers add IDispatch's members.
    std::vector<std::wstring> own;
    for (UINT index = 0; index < Attributes(types[2].Get()).cFuncs; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(types[2]->GetFuncDesc(index, &function), S_OK);
        BSTR names[3] = {};
        UINT count = 0;
        EXPECT_EQ(types[2]->GetNames(function->memid, names, 3, &count), S_OK);
        std::wstring shown = std::to_wstring(function->memid) + L" " + std::to_wstring(function->invkind);
        for (UINT n = 0; n < count && n <= static_cast<UINT>(function->cParams); ++n) {
            const ELEMDESC& element = n ? function->lprgelemdescParam[n - 1] : function->elemdescFunc;
            shown += L" " + std::wstring(names[n]) + L":" + std::to_wstring(element.tdesc.vt);
        }
        for (BSTR each : names) SysFreeString(each);
        if (function->memid < 0x60000000) own.push_back(shown);
        types[2]->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(own, (std::vector<std::wstring>{L"1 1 AfterPopulate:24", L"2 1 PropertyChanged:24 PropertyName:8 Value:12"}));
}

// Each build's functions sit at its own pointer size (the reader scales offsets to this process's).
TEST_P(BuiltLibraryTest, EachSlotHoldsItsMemberAndReachesTheHeadersMethodOfTheSameSlot) {
    const TYPEATTR attributes = Attributes(vtable.Get());
    ASSERT_EQ(attributes.cFuncs, std::size(kSlots));
    EXPECT_EQ(attributes.cbSizeVft, (7 + std::size(kSlots)) * (GetParam().system == SYS_WIN64 ? 8 : 4)) << "hosts stop there";
    ComPtr<RecordingInspecta> recorder;
    ASSERT_EQ(ole::MakeObject(recorder), S_OK);

    for (UINT index = 0; index < std::size(kSlots); ++index) {
        const Slot& slot = kSlots[index];
        SCOPED_TRACE(testing::PrintToString(std::wstring(slot.reached)));
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(index, &function), S_OK);
        const FUNCDESC found = *function;
        const TYPEDESC* last = found.cParams ? &found.lprgelemdescParam[found.cParams - 1].tdesc : nullptr;
        while (last && last->vt == VT_PTR) last = last->lptdesc;
        EXPECT_EQ(last && last->vt == VT_USERDEFINED ? ReferencedType(vtable.Get(), last->hreftype) : GUID_NULL,
                  slot.borrowed ? *slot.borrowed : GUID_NULL);
        vtable->ReleaseFuncDesc(function);
        EXPECT_EQ(found.callconv, CC_STDCALL);
        LPOLESTR name = const_cast<LPOLESTR>(slot.name);
        MEMBERID bound = MEMBERID_NIL;
        EXPECT_EQ(vtable->GetIDsOfNames(&name, 1, &bound), S_OK);
        EXPECT_EQ(bound, slot.id) << "a host binding by name";
        // Kind, id and offset decide which method a call reaches: none is made through a wrong slot.
        ASSERT_EQ(std::tuple(found.invkind, found.memid, found.oVft),
                  std::tuple(slot.kind, slot.id, static_cast<SHORT>((7 + index) * sizeof(void*))));

        const ole::Bstr key(L"Caption");
        VARIANT argument{}, result{};
        V_VT(&argument) = slot.argument;
        if (slot.argument == VT_BOOL) V_BOOL(&argument) = VARIANT_TRUE;
        if (slot.argument == VT_BSTR) V_BSTR(&argument) = key.Get();
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = slot.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        DISPPARAMS parameters{&argument, put ? &named : nullptr, slot.argument == VT_EMPTY ? 0u : 1u, put ? 1u : 0u};
        EXPECT_EQ(vtable->Invoke(static_cast<_Inspecta*>(recorder.Get()), slot.id, static_cast<WORD>(slot.kind),
                                 &parameters, put ? nullptr : &result, nullptr, nullptr),
                  S_OK);
        const std::wstring seen =
            recorder->reached + (V_VT(&result) == VT_BOOL ? L" -> " + std::to_wstring(V_BOOL(&result)) : L"");
        VariantClear(&result);
        ASSERT_EQ(seen, slot.reached) << "the calls that follow would go through the same mismatch";
    }
}

TEST_P(BuiltLibraryTest, ResourcesHostsAndInstallersRead) {
    HMODULE module = LoadLibraryExW(GetParam().file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    // The identifier resources hold an interface id's size, 16, then the id as in memory.
    for (const auto& [type, iid] :
         {std::pair{L"_IID_INSPECTA", &IID__Inspecta}, std::pair{L"_SRCIID_INSPECTA", &DIID___Inspecta}}) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), type);
        struct { DWORD size; GUID iid; } held{};
        if (found && SizeofResource(module, found) == sizeof held)
            std::memcpy(&held, LockResource(LoadResource(module, found)), sizeof held);
        EXPECT_EQ(held.size, 16u) << testing::PrintToString(std::wstring(type));
        EXPECT_EQ(held.iid, *iid);
    }
    EXPECT_NE(FindResourceW(module, L"PRODUCTICON", RT_GROUP_ICON), nullptr) << "the file's icon in the shell";
    FreeLibrary(module);

    // Installers register only a library whose version block says it registers itself.
    std::vector<BYTE> block(GetFileVersionInfoSizeW(GetParam().file, nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(GetParam().file, 0, static_cast<DWORD>(block.size()), block.data()));
    void* value = nullptr;
    UINT size = 0;
    EXPECT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\OLESelfRegister", &value, &size));
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, BuiltLibraryTest, testing::ValuesIn(kBuilds),
                         [](const testing::TestParamInfo<Build>& build) { return testing::PrintToString(build.param); });

}  // namespace
