// Inspecta2.ocx of both builds as hosts of either size read it: its type library, each slot called on an
// object built on control_interface.h so that the two cannot drift apart, and the resources looked up.
#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "ole/dispatch_impl.h"
#include "control/control_interface.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <cstring>
#include <string>
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

// _Inspecta as the control implements it; each member records its own name.
class RecordingInspecta : public ole::ComObject<RecordingInspecta, ole::DispatchImpl<_Inspecta>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<RecordingInspecta, _Inspecta>()};
        return table;
    }
    std::wstring reached;

    IFACEMETHODIMP get_AutoWriteProperties(VARIANT_BOOL* value) override { return Get(L"get_AutoWriteProperties", value); }
    IFACEMETHODIMP put_AutoWriteProperties(VARIANT_BOOL) override { return Record(L"put_AutoWriteProperties"); }
    IFACEMETHODIMP get_AutoPopulate(VARIANT_BOOL* value) override { return Get(L"get_AutoPopulate", value); }
    IFACEMETHODIMP put_AutoPopulate(VARIANT_BOOL) override { return Record(L"put_AutoPopulate"); }
    IFACEMETHODIMP get_Item(BSTR, IPropertyItem** item) override { return Get(L"get_Item", item); }
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* value) override { return Get(L"get_Enabled", value); }
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL) override { return Record(L"put_Enabled"); }
    IFACEMETHODIMP get_HideCustomItems(VARIANT_BOOL* value) override { return Get(L"get_HideCustomItems", value); }
    IFACEMETHODIMP put_HideCustomItems(VARIANT_BOOL) override { return Record(L"put_HideCustomItems"); }
    IFACEMETHODIMP About() override { return Record(L"About"); }
    IFACEMETHODIMP get_HideReadOnlyItems(VARIANT_BOOL* value) override { return Get(L"get_HideReadOnlyItems", value); }
    IFACEMETHODIMP put_HideReadOnlyItems(VARIANT_BOOL) override { return Record(L"put_HideReadOnlyItems"); }
    IFACEMETHODIMP get_Font(IFontDisp** font) override { return Get(L"get_Font", font); }
    IFACEMETHODIMP putref_Font(IFontDisp*) override { return Record(L"putref_Font"); }
    IFACEMETHODIMP RefreshValues() override { return Record(L"RefreshValues"); }
    IFACEMETHODIMP get_ClientObject(IDispatch** client) override { return Get(L"get_ClientObject", client); }
    IFACEMETHODIMP putref_ClientObject(IDispatch*) override { return Record(L"putref_ClientObject"); }

private:
    HRESULT Record(const wchar_t* method) {
        reached = method;
        return S_OK;
    }
    template <typename Value>
    HRESULT Get(const wchar_t* method, Value* value) {
        *value = Value{};
        return Record(method);
    }
};

// _Inspecta's vtable half, slot by slot after IDispatch's seven: the header's method and how a host
// calls it (with true, "Caption" or Nothing). Names, kinds and types are the reference's (docs/).
const struct Slot {
    const wchar_t* method;
    INVOKEKIND kind;
    VARTYPE argument;
} kSlots[] = {
    {L"get_AutoWriteProperties", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"put_AutoWriteProperties", INVOKE_PROPERTYPUT, VT_BOOL},
    {L"get_AutoPopulate", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"put_AutoPopulate", INVOKE_PROPERTYPUT, VT_BOOL},
    {L"get_Item", INVOKE_PROPERTYGET, VT_BSTR},
    {L"get_Enabled", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"put_Enabled", INVOKE_PROPERTYPUT, VT_BOOL},
    {L"get_HideCustomItems", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"put_HideCustomItems", INVOKE_PROPERTYPUT, VT_BOOL},
    {L"About", INVOKE_FUNC, VT_EMPTY},
    {L"get_HideReadOnlyItems", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"put_HideReadOnlyItems", INVOKE_PROPERTYPUT, VT_BOOL},
    {L"get_Font", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"putref_Font", INVOKE_PROPERTYPUTREF, VT_DISPATCH},
    {L"RefreshValues", INVOKE_FUNC, VT_EMPTY},
    {L"get_ClientObject", INVOKE_PROPERTYGET, VT_EMPTY},
    {L"putref_ClientObject", INVOKE_PROPERTYPUTREF, VT_DISPATCH},
};

TYPEATTR Attributes(ITypeInfo* info) {
    TYPEATTR* read = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&read), S_OK);
    const TYPEATTR copy = read ? *read : TYPEATTR{};
    if (read) info->ReleaseTypeAttr(read);
    return copy;
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
        ComPtr<ITypeInfo> dispatch;
        ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Inspecta, dispatch.Put()), S_OK);
        HREFTYPE reference = 0;
        ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK) << "a dual interface";
        ASSERT_EQ(dispatch->GetRefTypeInfo(reference, vtable.Put()), S_OK);
    }

    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> vtable;  // _Inspecta's vtable half, which hosts call

};

// Each build's functions sit at its own pointer size (the reader scales offsets to this process's).
// A host binds each member by name and calls it through the slot the library gives it.
TEST_P(BuiltLibraryTest, EachSlotHoldsItsMemberAndReachesTheHeadersMethodOfTheSameSlot) {
    const TYPEATTR attributes = Attributes(vtable.Get());
    ASSERT_EQ(attributes.cFuncs, std::size(kSlots));
    EXPECT_EQ(attributes.cbSizeVft, (7 + std::size(kSlots)) * (GetParam().system == SYS_WIN64 ? 8 : 4)) << "hosts stop there";
    ComPtr<RecordingInspecta> recorder;
    ASSERT_EQ(ole::MakeObject(recorder), S_OK);

    for (UINT index = 0; index < std::size(kSlots); ++index) {
        const Slot& slot = kSlots[index];
        SCOPED_TRACE(testing::PrintToString(std::wstring(slot.method)));
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(index, &function), S_OK);
        const FUNCDESC found = *function;
        vtable->ReleaseFuncDesc(function);
        // The kind and offset decide which method a call reaches: none is made through a wrong slot.
        ASSERT_EQ(std::pair(found.invkind, found.oVft), std::pair(slot.kind, static_cast<SHORT>((7 + index) * sizeof(void*))));

        // The member's name is the method's without its get_, put_ or putref_.
        const std::wstring method = slot.method;
        std::wstring name = method.substr(method.find(L'_') + 1);
        LPOLESTR names = name.data();
        MEMBERID bound = MEMBERID_NIL;
        EXPECT_EQ(vtable->GetIDsOfNames(&names, 1, &bound), S_OK);
        const ole::Bstr key(L"Caption");
        VARIANT argument{}, result{};
        V_VT(&argument) = slot.argument;
        if (slot.argument == VT_BOOL) V_BOOL(&argument) = VARIANT_TRUE;
        if (slot.argument == VT_BSTR) V_BSTR(&argument) = key.Get();
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = slot.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        DISPPARAMS parameters{&argument, put ? &named : nullptr, slot.argument == VT_EMPTY ? 0u : 1u, put ? 1u : 0u};
        EXPECT_EQ(vtable->Invoke(static_cast<_Inspecta*>(recorder.Get()), bound, static_cast<WORD>(slot.kind),
                                 &parameters, put ? nullptr : &result, nullptr, nullptr),
                  S_OK);
        VariantClear(&result);
        ASSERT_EQ(recorder->reached, method) << "the calls that follow would go through the same mismatch";
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
