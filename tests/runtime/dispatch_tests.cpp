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

    // IDispatch::Invoke as a script host makes it, arguments in natural order.
    HRESULT InvokeRaw(DISPID id, WORD kind, std::vector<VARIANT> arguments, EXCEPINFO& exception) {
        std::reverse(arguments.begin(), arguments.end());
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = kind & DISPATCH_PROPERTYPUT;
        DISPPARAMS parameters{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()),
                              put ? 1u : 0u};
        UINT argumentError = 0;
        Variant ignored;
        return dispatch->Invoke(id, IID_NULL, 1033, kind, &parameters, ignored.Out(), &exception, &argumentError);
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
    static std::wstring Take(BSTR& text) {
        std::wstring taken = text ? text : L"";
        SysFreeString(text);
        text = nullptr;
        return taken;
    }

    ComPtr<IDispatch> dispatch;
    ComPtr<ITestControl> control;
};

TEST_F(DispatchTest, LateAndEarlyBindingReachTheSameMethods) {
    const Variant caption(std::wstring_view(L"Hello"));
    ASSERT_EQ(ole::PutProperty(dispatch.Get(), L"caption", caption.Get()), S_OK);
    Bstr early;
    ASSERT_EQ(control->get_Caption(early.Out()), S_OK);
    EXPECT_EQ(early, L"Hello");

    // The type information converts arguments as the vtable method declares them.
    ASSERT_EQ(ole::PutProperty(dispatch.Get(), L"Count", Variant(std::wstring_view(L"41")).Get()), S_OK);
    Variant count;
    ASSERT_EQ(ole::GetProperty(dispatch.Get(), L"Count", count), S_OK);
    ASSERT_EQ(count.Type(), VT_I4);
    EXPECT_EQ(V_I4(&count.Get()), 41);

    // Wrong argument counts, foreign interface ids and unknown members are refused.
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeRaw(3, DISPATCH_METHOD, {Long(1)}, exception), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeRaw(0, DISPATCH_PROPERTYGET, {}, exception), DISP_E_MEMBERNOTFOUND);
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(1, IID_ITestControl, 1033, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 12345;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 1033, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_ITestControl, names, 1, 1033, &id), DISP_E_UNKNOWNINTERFACE);
}

// What hosts ask before they connect to events and before they trust error info.
TEST_F(DispatchTest, ClassInfoNamesTheEventsAndErrorInfoIsOfferedForTheOwnInterfaceOnly) {
    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(dispatch.As(&classInfo), S_OK);
    GUID source = IID_IUnknown;
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID__TestControlEvents);
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &source), E_INVALIDARG);
    EXPECT_EQ(source, GUID_NULL);
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(dispatch.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITestControl), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IConnectionPointContainer), S_FALSE);
}

TEST(AutomationErrorHResultTest, NumbersBelow65536AreOffsetIntoTheControlFacility) {
    const struct {
        long number;
        HRESULT expected;
    } cases[] = {{380, static_cast<HRESULT>(0x800A017C)}, {35603, static_cast<HRESULT>(0x800A8B13)},
                 {65535, static_cast<HRESULT>(0x800AFFFF)}, {E_ACCESSDENIED, E_ACCESSDENIED},
                 {0, E_FAIL},                               {70000, E_FAIL}};
    for (const auto& c : cases) EXPECT_EQ(ole::AutomationErrorHResult(c.number), c.expected) << c.number;
}

// An automation error as each kind of host reads it: early bound through error info, late bound
// through EXCEPINFO, and through our late-bound helper as error info again.
TEST_F(DispatchTest, EveryKindOfCallerReadsTheSameError) {
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

    EXCEPINFO exception{};
    ASSERT_EQ(InvokeRaw(3, DISPATCH_METHOD, {Long(380), String(source), String(description)}, exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(exception.wCode, 0);
    EXPECT_EQ(Take(exception.bstrSource), L"Lib.Control");
    EXPECT_EQ(Take(exception.bstrDescription), L"Invalid Key");
    Take(exception.bstrHelpFile);

    const Variant arguments[] = {Variant(LONG{35603}), Variant(std::wstring_view(L"Src")),
                                 Variant(std::wstring_view(L"Invalid Key"))};
    VARIANT raw[3] = {arguments[0].Get(), arguments[1].Get(), arguments[2].Get()};
    EXPECT_EQ(ole::CallMethod(dispatch.Get(), L"Raise", raw, nullptr), static_cast<HRESULT>(0x800A8B13));
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    ASSERT_EQ(info->GetSource(text.Out()), S_OK);
    EXPECT_EQ(text, L"Src");
}

TEST_F(DispatchTest, StaleErrorInfoIsNotReportedForAnotherFailure) {
    const Bstr source(L"Stale.Source");
    const Bstr description(L"an earlier error nobody read");
    EXPECT_TRUE(FAILED(control->Raise(5, source.Get(), description.Get())));
    // The host never read that error; now a method fails without error info of its own.
    EXCEPINFO exception{};
    const HRESULT hr = InvokeRaw(2, DISPATCH_PROPERTYPUT, {Long(-1)}, exception);
    EXPECT_EQ(hr == DISP_E_EXCEPTION ? exception.scode : hr, E_INVALIDARG);
    EXPECT_EQ(Take(exception.bstrSource), L"") << "stale source reported";
    EXPECT_EQ(Take(exception.bstrDescription), L"");
    Take(exception.bstrHelpFile);
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.Put()), S_FALSE);
}

}  // namespace
}  // namespace runtime_tests
