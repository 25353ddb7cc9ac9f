// The C++ declaration of _Inspecta and the written type library must agree slot by slot: a
// host calls through the library's vtable offsets and parameter lists, the control implements
// the header. Every member is invoked through the library on an object of the header's
// interface, which records what arrived where.
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

using ole::ComPtr;

// Implements the header's interface; each member records its name and what it was given.
class RecordingInspecta : public _Inspecta {
public:
    std::vector<std::wstring> calls;
    // While probing, a member only records its name and leaves its arguments alone, so that a
    // call through the wrong slot is reported instead of crashing.
    bool probing = false;
    std::vector<std::wstring> probed;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID__Inspecta) return E_NOINTERFACE;
        *object = static_cast<_Inspecta*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected(L"GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected(L"GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected(L"GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return Unexpected(L"Invoke");
    }

    HRESULT STDMETHODCALLTYPE get_AutoWriteProperties(VARIANT_BOOL* value) override { return Get(L"get_AutoWriteProperties", value); }
    HRESULT STDMETHODCALLTYPE put_AutoWriteProperties(VARIANT_BOOL value) override { return Put(L"put_AutoWriteProperties", value); }
    HRESULT STDMETHODCALLTYPE get_AutoPopulate(VARIANT_BOOL* value) override { return Get(L"get_AutoPopulate", value); }
    HRESULT STDMETHODCALLTYPE put_AutoPopulate(VARIANT_BOOL value) override { return Put(L"put_AutoPopulate", value); }
    HRESULT STDMETHODCALLTYPE get_Item(BSTR Key, IPropertyItem** item) override {
        if (Probe(L"get_Item")) return S_OK;
        *item = nullptr;
        calls.push_back(std::wstring(L"get_Item(") + (Key ? Key : L"<null>") + L")");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override { return Get(L"get_Enabled", value); }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override { return Put(L"put_Enabled", value); }
    HRESULT STDMETHODCALLTYPE get_HideCustomItems(VARIANT_BOOL* value) override { return Get(L"get_HideCustomItems", value); }
    HRESULT STDMETHODCALLTYPE put_HideCustomItems(VARIANT_BOOL value) override { return Put(L"put_HideCustomItems", value); }
    HRESULT STDMETHODCALLTYPE About() override {
        if (Probe(L"About")) return S_OK;
        calls.push_back(L"About");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HideReadOnlyItems(VARIANT_BOOL* value) override { return Get(L"get_HideReadOnlyItems", value); }
    HRESULT STDMETHODCALLTYPE put_HideReadOnlyItems(VARIANT_BOOL value) override { return Put(L"put_HideReadOnlyItems", value); }
    HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** font) override {
        if (Probe(L"get_Font")) return S_OK;
        *font = nullptr;
        calls.push_back(L"get_Font");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* font) override {
        if (Probe(L"putref_Font")) return S_OK;
        calls.push_back(std::wstring(L"putref_Font(") + Describe(font) + L")");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RefreshValues() override {
        if (Probe(L"RefreshValues")) return S_OK;
        calls.push_back(L"RefreshValues");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ClientObject(IDispatch** client) override {
        if (Probe(L"get_ClientObject")) return S_OK;
        *client = nullptr;
        calls.push_back(L"get_ClientObject");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE putref_ClientObject(IDispatch* client) override {
        if (Probe(L"putref_ClientObject")) return S_OK;
        calls.push_back(std::wstring(L"putref_ClientObject(") + Describe(client) + L")");
        return S_OK;
    }

private:
    bool Probe(const wchar_t* name) {
        if (probing) probed.push_back(name);
        return probing;
    }
    HRESULT Unexpected(const wchar_t* name) {
        calls.push_back(std::wstring(L"unexpected ") + name);
        return E_NOTIMPL;
    }
    HRESULT Get(const wchar_t* name, VARIANT_BOOL* value) {
        if (Probe(name)) return S_OK;
        *value = VARIANT_TRUE;
        calls.push_back(name);
        return S_OK;
    }
    HRESULT Put(const wchar_t* name, VARIANT_BOOL value) {
        if (Probe(name)) return S_OK;
        calls.push_back(std::wstring(name) + L"(" + std::to_wstring(value) + L")");
        return S_OK;
    }
    std::wstring Describe(const void* pointer) const {
        if (!pointer) return L"nothing";
        return pointer == static_cast<const _Inspecta*>(this) ? L"self" : L"other";
    }
};

struct Call {
    MEMBERID id;
    WORD flags;
    enum { None, Boolean, Key, Self } argument;
    const wchar_t* expected;
};

// The slot order, as a host walking the library would call it.
const Call kCalls[] = {
    {0x68030007, DISPATCH_PROPERTYGET, Call::None, L"get_AutoWriteProperties"},
    {0x68030007, DISPATCH_PROPERTYPUT, Call::Boolean, L"put_AutoWriteProperties(-1)"},
    {0x68030006, DISPATCH_PROPERTYGET, Call::None, L"get_AutoPopulate"},
    {0x68030006, DISPATCH_PROPERTYPUT, Call::Boolean, L"put_AutoPopulate(-1)"},
    {0x68030005, DISPATCH_PROPERTYGET, Call::Key, L"get_Item(Caption)"},
    {0x68030004, DISPATCH_PROPERTYGET, Call::None, L"get_Enabled"},
    {0x68030004, DISPATCH_PROPERTYPUT, Call::Boolean, L"put_Enabled(-1)"},
    {0x68030003, DISPATCH_PROPERTYGET, Call::None, L"get_HideCustomItems"},
    {0x68030003, DISPATCH_PROPERTYPUT, Call::Boolean, L"put_HideCustomItems(-1)"},
    {DISPID_ABOUTBOX, DISPATCH_METHOD, Call::None, L"About"},
    {0x68030002, DISPATCH_PROPERTYGET, Call::None, L"get_HideReadOnlyItems"},
    {0x68030002, DISPATCH_PROPERTYPUT, Call::Boolean, L"put_HideReadOnlyItems(-1)"},
    {0x68030001, DISPATCH_PROPERTYGET, Call::None, L"get_Font"},
    {0x68030001, DISPATCH_PROPERTYPUTREF, Call::None, L"putref_Font(nothing)"},
    {0x6003000C, DISPATCH_METHOD, Call::None, L"RefreshValues"},
    {0x68030000, DISPATCH_PROPERTYGET, Call::None, L"get_ClientObject"},
    {0x68030000, DISPATCH_PROPERTYPUTREF, Call::Self, L"putref_ClientObject(self)"},
};

TEST(InterfaceDeclarationTest, EveryMemberOfTheLibraryReachesTheHeadersMethodOfTheSameSlot) {
    ListLibraryRegistration listLibrary;
    ASSERT_TRUE(listLibrary.Registered());
    ResourceModule resources(kBuild64);
    ComPtr<ITypeLib> library;
    ASSERT_TRUE(SUCCEEDED(LoadTypeLibEx(resources.Path().c_str(), REGKIND_NONE, library.Put())));
    ComPtr<ITypeInfo> vtable;
    ASSERT_TRUE(SUCCEEDED(library->GetTypeInfoOfGuid(IID__Inspecta, vtable.Put())));
    // GetTypeInfoOfGuid gives the dispatch half of a dual interface; calls go through the vtable half.
    HREFTYPE reference = 0;
    ASSERT_TRUE(SUCCEEDED(vtable->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference)));
    ComPtr<ITypeInfo> dispatchHalf = vtable;
    ASSERT_TRUE(SUCCEEDED(dispatchHalf->GetRefTypeInfo(reference, vtable.Put())));

    RecordingInspecta recorder;

    // First the slots alone: each function's vtable offset, called with no arguments.
    const std::vector<std::wstring> slotOrder = {
        L"get_AutoWriteProperties", L"put_AutoWriteProperties", L"get_AutoPopulate", L"put_AutoPopulate",
        L"get_Item", L"get_Enabled", L"put_Enabled", L"get_HideCustomItems", L"put_HideCustomItems", L"About",
        L"get_HideReadOnlyItems", L"put_HideReadOnlyItems", L"get_Font", L"putref_Font", L"RefreshValues",
        L"get_ClientObject", L"putref_ClientObject"};
    recorder.probing = true;
    for (UINT index = 0; index < slotOrder.size(); ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_TRUE(SUCCEEDED(vtable->GetFuncDesc(index, &function)));
        VARIANT ignored;
        VariantInit(&ignored);
        EXPECT_TRUE(SUCCEEDED(DispCallFunc(static_cast<_Inspecta*>(&recorder), function->oVft, CC_STDCALL, VT_ERROR,
                                           0, nullptr, nullptr, &ignored)));
        vtable->ReleaseFuncDesc(function);
    }
    ASSERT_EQ(recorder.probed, slotOrder);
    recorder.probing = false;

    // Then every member as a host invokes it, with the library's parameter lists.
    std::vector<std::wstring> expected;
    for (const Call& call : kCalls) {
        SCOPED_TRACE(testing::Message() << "expecting " << testing::PrintToString(std::wstring(call.expected)));
        VARIANT argument;
        VariantInit(&argument);
        ole::Bstr key(L"Caption");
        if (call.argument == Call::Boolean) {
            argument.vt = VT_BOOL;
            argument.boolVal = VARIANT_TRUE;
        } else if (call.argument == Call::Key) {
            argument.vt = VT_BSTR;
            argument.bstrVal = key.Get();
        } else if (call.argument == Call::Self || (call.flags & DISPATCH_PROPERTYPUTREF)) {
            argument.vt = VT_DISPATCH;
            argument.pdispVal = call.argument == Call::Self ? static_cast<IDispatch*>(&recorder) : nullptr;
        }
        DISPID putId = DISPID_PROPERTYPUT;
        const bool put = call.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        DISPPARAMS parameters{argument.vt != VT_EMPTY ? &argument : nullptr, put ? &putId : nullptr,
                              argument.vt != VT_EMPTY ? 1u : 0u, put ? 1u : 0u};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        UINT badArgument = 0;
        EXPECT_EQ(vtable->Invoke(static_cast<_Inspecta*>(&recorder), call.id, call.flags, &parameters,
                                 put ? nullptr : &result, &exception, &badArgument),
                  S_OK);
        if (call.flags == DISPATCH_PROPERTYGET && call.id != 0x68030005 && call.id != 0x68030001 &&
            call.id != 0x68030000) {
            EXPECT_EQ(result.vt, VT_BOOL);
            EXPECT_EQ(result.boolVal, VARIANT_TRUE);
        }
        VariantClear(&result);
        expected.push_back(call.expected);
    }
    EXPECT_EQ(recorder.calls, expected);
    EXPECT_EQ(recorder.references, 1);
}

}  // namespace
}  // namespace typelib_tests
