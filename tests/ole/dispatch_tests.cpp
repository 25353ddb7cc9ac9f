#include "ole/arguments.h"
#include "ole/automation_error.h"
#include "ole/bstr.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    HRESULT InvokeRaw(DISPID id, WORD kind, std::vector<VARIANT> arguments, EXCEPINFO* exception) {
        std::reverse(arguments.begin(), arguments.end());
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = kind & DISPATCH_PROPERTYPUT;
        DISPPARAMS parameters{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()),
                              put ? 1u : 0u};
        UINT argumentError = 0;
        Variant ignored;
        return dispatch->Invoke(id, IID_NULL, 1033, kind, &parameters, ignored.Out(), exception, &argumentError);
    }

    ComPtr<IDispatch> dispatch;
    ComPtr<ITestControl> control;
};

// Counts, member ids, names and conversions are the type information's to check; the interface id is ours.
TEST_F(DispatchTest, LateBindingRefusesAnotherInterfacesIdsAndAnswersWhatHostsAskFirst) {
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(2, IID_ITestControl, 1033, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    // What hosts ask before they connect to events and before they trust error info.
    GUID source = IID_IUnknown;
    EXPECT_EQ(support::QueryAs<IProvideClassInfo2>(dispatch)->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID__TestControlEvents);
    auto errors = support::QueryAs<ISupportErrorInfo>(dispatch);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_ITestControl), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IConnectionPointContainer), S_FALSE);
}

TEST(AutomationErrorHResultTest, NumbersBelow65536AreOffsetIntoTheControlFacility) {
    const std::pair<long, HRESULT> cases[] = {{380, HRESULT(0x800A017C)}, {65535, HRESULT(0x800AFFFF)},
                                              {E_ACCESSDENIED, E_ACCESSDENIED}, {0, E_FAIL}, {70000, E_FAIL}};
    for (const auto& [number, expected] : cases) EXPECT_EQ(ole::AutomationErrorHResult(number), expected) << number;
}

// An automation error as each kind of caller reads it: early bound through error info, late
// bound through EXCEPINFO, and through our late-bound helper as error info again.
TEST_F(DispatchTest, EveryKindOfCallerReadsTheSameErrorAndNeverAStaleOne) {
    const Bstr source(L"Lib.Control"), description(L"Invalid Key");
    EXPECT_EQ(control->Raise(35603, source.Get(), description.Get()), static_cast<HRESULT>(0x800A8B13));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, IID_ITestControl);
    SetErrorInfo(0, info.Get());
    EXPECT_EQ(support::TakeErrorInfo().description, L"Invalid Key");

    support::ExceptionInfo exception;
    const VARIANT arguments[] = {ole::LongArgument(380), ole::TextArgument(source.Get()),
                                 ole::TextArgument(description.Get())};
    ASSERT_EQ(InvokeRaw(3, DISPATCH_METHOD, {arguments[0], arguments[1], arguments[2]}, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(exception.wCode, 0);
    EXPECT_EQ(exception.Source(), L"Lib.Control");
    EXPECT_EQ(ole::CallMethod(dispatch.Get(), L"Raise", arguments, nullptr), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(support::TakeErrorInfo().source, L"Lib.Control");

    // The host never reads an error; then a method fails without error info of its own.
    EXPECT_TRUE(FAILED(control->Raise(5, source.Get(), description.Get())));
    support::ExceptionInfo plain;
    const HRESULT hr = InvokeRaw(2, DISPATCH_PROPERTYPUT, {ole::LongArgument(-1)}, &plain);
    EXPECT_EQ(hr == DISP_E_EXCEPTION ? plain.scode : hr, E_INVALIDARG);
    EXPECT_EQ(plain.Source(), L"") << "stale source reported";
    EXPECT_FALSE(support::TakeErrorInfo().present);
}

// Calls whose DISPPARAMS contradict their own counts are answered before anything reads them.
TEST_F(DispatchTest, ParametersThatContradictTheirCountsAreRefused) {
    VARIANT value = ole::LongArgument(5);
    DISPID named[] = {DISPID_PROPERTYPUT, 1};
    DISPPARAMS rows[] = {{nullptr, named, 1, 1}, {&value, nullptr, 1, 1}, {&value, named, 1, 2}};
    const HRESULT expected[] = {E_INVALIDARG, E_INVALIDARG, DISP_E_BADPARAMCOUNT};
    EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 1033, DISPATCH_PROPERTYPUT, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 1033, DISPATCH_PROPERTYPUT, &rows[i], nullptr, nullptr, nullptr),
                  expected[i])
            << "row " << i;
    }
}

}  // namespace
}  // namespace runtime_tests
