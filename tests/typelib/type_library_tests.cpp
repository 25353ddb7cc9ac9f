// Inspecta2.ocx of both builds as hosts of either size read it: its type library, each slot called on an
// object built on control_interface.h so that the two cannot drift apart.
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "ole/dispatch_impl.h"
#include "control/control_interface.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ole::ComPtr;

// The 32-bit library can be opened only as data by this 64-bit program.
struct Build { SYSKIND system; const wchar_t* file; };
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

    IFACEMETHODIMP get_AutoWriteProperties(VARIANT_BOOL* v) override { return Get(L"get_AutoWriteProperties", v); }
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
    HRESULT Record(const wchar_t* method) { reached = method; return S_OK; }
    template <typename Value>
    HRESULT Get(const wchar_t* method, Value* value) { *value = Value{}; return Record(method); }
};

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
};

// Each build's functions sit at its own pointer size (the reader scales offsets to this process's).
// A host binds each member by the library's name for it and calls it through the slot the library
// gives it; the method reached must be the header's of that name and kind.
TEST_P(BuiltLibraryTest, EachSlotHoldsItsMemberAndReachesTheHeadersMethodOfTheSameSlot) {
    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> dispatch, vtable;
    HREFTYPE reference = 0;
    ASSERT_EQ(LoadTypeLibEx(GetParam().file, REGKIND_NONE, library.Put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Inspecta, dispatch.Put()), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK) << "a dual interface";
    ASSERT_EQ(dispatch->GetRefTypeInfo(reference, vtable.Put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attributes), S_OK);
    const std::pair<WORD, WORD> found{attributes->cFuncs, attributes->cbSizeVft};
    vtable->ReleaseTypeAttr(attributes);
    constexpr UINT kMembers = 17;  // hosts stop at the vtable's size
    ASSERT_EQ(found, std::make_pair(WORD{kMembers}, WORD((7 + kMembers) * (GetParam().system == SYS_WIN64 ? 8 : 4))));
    ComPtr<RecordingInspecta> recorder;
    ASSERT_EQ(ole::MakeObject(recorder), S_OK);
    const ole::Bstr key(L"Caption");

    for (UINT index = 0; index < kMembers; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(index, &function), S_OK);
        const FUNCDESC member = *function;
        vtable->ReleaseFuncDesc(function);
        ole::Bstr name;
        ASSERT_EQ(vtable->GetDocumentation(member.memid, name.Out(), nullptr, nullptr, nullptr), S_OK);
        const INVOKEKIND kind = member.invkind;
        const std::wstring method = std::wstring(kind == INVOKE_FUNC ? L"" : kind == INVOKE_PROPERTYGET ? L"get_"
                                                 : kind == INVOKE_PROPERTYPUT ? L"put_" : L"putref_") + name.Get();
        SCOPED_TRACE(testing::PrintToString(method));
        // The offset decides which method a call reaches: none is made through a wrong slot.
        ASSERT_EQ(member.oVft, static_cast<SHORT>((7 + index) * sizeof(void*)));

        LPOLESTR names = name.Get();
        MEMBERID bound = MEMBERID_NIL;
        EXPECT_EQ(vtable->GetIDsOfNames(&names, 1, &bound), S_OK);
        // A put's value is True, a putref's Nothing, and Item's key "Caption".
        const bool put = kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        VARIANT argument = kind == INVOKE_PROPERTYPUT ? ole::BooleanArgument(VARIANT_TRUE)
                           : put                      ? ole::ObjectArgument(nullptr) : ole::TextArgument(key.Get());
        VARIANT result{};
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS parameters{&argument, put ? &named : nullptr, put || member.cParams > 1 ? 1u : 0u, put ? 1u : 0u};
        EXPECT_EQ(vtable->Invoke(static_cast<_Inspecta*>(recorder.Get()), bound, static_cast<WORD>(kind), &parameters,
                                 put ? nullptr : &result, nullptr, nullptr), S_OK);
        VariantClear(&result);
        ASSERT_EQ(recorder->reached, method) << "the calls that follow would go through the same mismatch";
    }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, BuiltLibraryTest, testing::ValuesIn(kBuilds));

}  // namespace
