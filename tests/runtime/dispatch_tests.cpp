#include "tests/runtime/test_control.h"

#include "ole/automation_error.h"
#include "ole/bstr.h"
#include "ole/late_bound.h"
#include "ole/variant.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using ole::Bstr;
using ole::ComPtr;
using ole::Variant;

// What a host holds of a control it drives through automation only.
class DispatchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IDispatch, dispatch.PutVoid()), S_OK);
        ASSERT_EQ(dispatch.As(&control), S_OK);
    }

    // IDispatch::Invoke of a method as a script host makes it, arguments in natural order.
    HRESULT InvokeRaw(DISPID id, WORD kind, std::vector<VARIANT> arguments, EXCEPINFO& exception,
                      Variant* result = nullptr) {
        std::reverse(arguments.begin(), arguments.end());
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        DISPPARAMS parameters{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()),
                              put ? 1u : 0u};
        UINT argumentError = 0;
        Variant ignored;
        return dispatch->Invoke(id, IID_NULL, 1033, kind, &parameters, (result ? result : &ignored)->Out(),
                                &exception, &argumentError);
    }

    static VARIANT Long(LONG value) {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = value;
        return v;
    }
    static VARIANT String(const Bstr& text) {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = text.Get();
        return v;
    }

    ComPtr<IDispatch> dispatch;
    ComPtr<ITestControl> control;
};

TEST_F(DispatchTest, NamesResolveThroughTheTypeInformation) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"caption")};
    DISPID id = 12345;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 1033, &id), S_OK);
    EXPECT_EQ(id, 1);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 1033, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    EXPECT_EQ(dispatch->GetIDsOfNames(IID_ITestControl, names, 1, 1033, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, LateAndEarlyBindingReachTheSameMethods) {
    const Variant caption(std::wstring_view(L"Hello"));
    ASSERT_EQ(ole::PutProperty(dispatch.Get(), L"Caption", caption.Get()), S_OK);
    Bstr early;
    ASSERT_EQ(control->get_Caption(early.Out()), S_OK);
    EXPECT_EQ(early, L"Hello");

    ASSERT_EQ(control->put_Count(7), S_OK);
    Variant count;
    ASSERT_EQ(ole::GetProperty(dispatch.Get(), L"Count", count), S_OK);
    ASSERT_EQ(count.Type(), VT_I4);
    EXPECT_EQ(V_I4(&count.Get()), 7);

    // The type information converts arguments as the vtable method declares them.
    const Variant text(std::wstring_view(L"41"));
    ASSERT_EQ(ole::PutProperty(dispatch.Get(), L"Count", text.Get()), S_OK);
    LONG converted = 0;
    ASSERT_EQ(control->get_Count(&converted), S_OK);
    EXPECT_EQ(converted, 41);

    // Wrong argument counts and foreign interface ids are refused, not passed to the method.
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeRaw(3, DISPATCH_METHOD, {Long(1)}, exception), DISP_E_BADPARAMCOUNT);
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(1, IID_ITestControl, 1033, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    // No member answers DISPID 0.
    EXPECT_EQ(InvokeRaw(0, DISPATCH_PROPERTYGET, {}, exception), DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchTest, TypeInformationDescribesTheDualInterfaceAndTheClass) {
    UINT count = 0;
    ASSERT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* sentinel = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &sentinel), DISP_E_BADINDEX);
    EXPECT_EQ(sentinel, nullptr);

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.Put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID_ITestControl);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attributes);

    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(dispatch.As(&classInfo), S_OK);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.Put()), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, CLSID_TestControl);
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    coclass->ReleaseTypeAttr(attributes);

    GUID source = IID_IUnknown;
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID__TestControlEvents);
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
    source = IID_IUnknown;
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &source), E_INVALIDARG);
    EXPECT_EQ(source, GUID_NULL);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(dispatch.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITestControl), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IConnectionPointContainer), S_FALSE);
}

// An automation error as each kind of host reads it.
class AutomationErrorTest : public DispatchTest {};

TEST_F(AutomationErrorTest, NumbersBelow65536AreOffsetIntoTheControlFacility) {
    EXPECT_EQ(ole::AutomationErrorHResult(380), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(ole::AutomationErrorHResult(35603), static_cast<HRESULT>(0x800A8B13));
    EXPECT_EQ(ole::AutomationErrorHResult(65535), static_cast<HRESULT>(0x800AFFFF));
    EXPECT_EQ(ole::AutomationErrorHResult(E_ACCESSDENIED), E_ACCESSDENIED);
    EXPECT_EQ(ole::AutomationErrorHResult(0), E_FAIL);
    EXPECT_EQ(ole::AutomationErrorHResult(70000), E_FAIL);
}

TEST_F(AutomationErrorTest, EarlyBoundCallerReadsTheErrorInfo) {
    const Bstr source(L"Lib.Control");
    const Bstr description(L"Invalid Key");
    EXPECT_EQ(control->Raise(35603, source.Get(), description.Get()), static_cast<HRESULT>(0x800A8B13));

    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr text;
    ASSERT_EQ(info->GetSource(text.Out()), S_OK);
    EXPECT_EQ(text, L"Lib.Control");
    ASSERT_EQ(info->GetDescription(text.Out()), S_OK);
    EXPECT_EQ(text, L"Invalid Key");
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, IID_ITestControl);
    // Taken once: the thread's error info is gone after GetErrorInfo.
    EXPECT_EQ(GetErrorInfo(0, info.Put()), S_FALSE);
}

TEST_F(AutomationErrorTest, LateBoundCallerReadsTheExceptionInfo) {
    const Bstr source(L"Lib.Control");
    const Bstr description(L"Invalid property value");
    EXCEPINFO exception{};
    ASSERT_EQ(InvokeRaw(3, DISPATCH_METHOD, {Long(380), String(source), String(description)}, exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(exception.wCode, 0);
    // VB's Err.Number: the low word of a control-facility HRESULT.
    EXPECT_EQ(HRESULT_CODE(exception.scode), 380);
    EXPECT_STREQ(exception.bstrSource, L"Lib.Control");
    EXPECT_STREQ(exception.bstrDescription, L"Invalid property value");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);

    // The late-bound helper a client of ours uses hands the same error on as error info.
    const Variant arguments[] = {Variant(LONG{35603}), Variant(std::wstring_view(L"Src")),
                                 Variant(std::wstring_view(L"Invalid Key"))};
    VARIANT raw[3] = {arguments[0].Get(), arguments[1].Get(), arguments[2].Get()};
    EXPECT_EQ(ole::CallMethod(dispatch.Get(), L"Raise", raw, nullptr), static_cast<HRESULT>(0x800A8B13));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr text;
    ASSERT_EQ(info->GetDescription(text.Out()), S_OK);
    EXPECT_EQ(text, L"Invalid Key");
}

TEST_F(AutomationErrorTest, StaleErrorInfoIsNotReportedForAnotherFailure) {
    const Bstr source(L"Stale.Source");
    const Bstr description(L"an earlier error nobody read");
    EXPECT_TRUE(FAILED(control->Raise(5, source.Get(), description.Get())));
    // The host never read that error; now a method fails without error info of its own.
    EXCEPINFO exception{};
    const HRESULT hr = InvokeRaw(2, DISPATCH_PROPERTYPUT, {Long(-1)}, exception);
    EXPECT_TRUE(FAILED(hr));
    if (hr == DISP_E_EXCEPTION) {
        EXPECT_EQ(exception.scode, E_INVALIDARG);
    } else {
        EXPECT_EQ(hr, E_INVALIDARG);
    }
    EXPECT_EQ(exception.bstrSource == nullptr ? std::wstring() : std::wstring(exception.bstrSource),
              std::wstring()) << "stale source reported";
    EXPECT_EQ(exception.bstrDescription == nullptr ? std::wstring() : std::wstring(exception.bstrDescription),
              std::wstring());
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.Put()), S_FALSE);
}

}  // namespace
}  // namespace runtime_tests
