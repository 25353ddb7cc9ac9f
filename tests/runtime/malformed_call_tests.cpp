#include "tests/runtime/test_control.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using ole::ComPtr;

// Calls whose DISPPARAMS contradict their own counts are answered before anything reads them.
TEST(MalformedCallTest, ParametersThatContradictTheirCountsAreRefused) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(ole::MakeObject<TestControl>(IID_IDispatch, dispatch.PutVoid()), S_OK);
    VARIANT value{};
    V_VT(&value) = VT_I4;
    V_I4(&value) = 5;
    DISPID named[] = {DISPID_PROPERTYPUT, 1};
    const struct {
        const char* row;
        bool noParameters;
        DISPPARAMS parameters;
        HRESULT expected;
    } rows[] = {
        {"no parameters at all", true, {}, E_INVALIDARG},
        {"an argument count without arguments", false, {nullptr, named, 1, 1}, E_INVALIDARG},
        {"a named count without names", false, {&value, nullptr, 1, 1}, E_INVALIDARG},
        {"more names than arguments", false, {&value, named, 1, 2}, DISP_E_BADPARAMCOUNT},
    };
    for (const auto& row : rows) {
        DISPPARAMS parameters = row.parameters;
        EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 1033, DISPATCH_PROPERTYPUT, row.noParameters ? nullptr : &parameters,
                                   nullptr, nullptr, nullptr),
                  row.expected)
            << row.row;
    }
}

}  // namespace
}  // namespace runtime_tests
