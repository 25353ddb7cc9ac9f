#include "ole/late_bound.h"

#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/variant.h"
#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using doubles::FakeAutomationObject;
using Call = FakeAutomationObject::Call;
using ole::ComPtr;
using ole::Variant;

struct PendingError {
    HRESULT found;
    ole::Bstr source;
    ole::Bstr description;
};

PendingError TakePendingError() {
    ComPtr<IErrorInfo> info;
    PendingError pending{GetErrorInfo(0, info.Put()), {}, {}};
    if (pending.found == S_OK) {
        info->GetSource(pending.source.Out());
        info->GetDescription(pending.description.Out());
    }
    return pending;
}

void PublishStaleError() { ole::PublishErrorInfo(L"Stale", L"left over from an earlier call"); }

class LateBoundTest : public testing::Test {
protected:
    void SetUp() override {
        client->SetProperty(L"Caption", Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Count", Variant(LONG{7}));
        client->ClearCalls();
    }

    const Call& LastCall() const { return client->Calls().back(); }

    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
};

TEST_F(LateBoundTest, ReadLooksUpByNameThenInvokesPropertyGetInUsEnglish) {
    Variant value;
    ASSERT_EQ(ole::GetProperty(client.Get(), L"caption", value), S_OK);

    ASSERT_EQ(client->Calls().size(), 2u);
    const Call& lookup = client->Calls()[0];
    EXPECT_EQ(lookup.kind, FakeAutomationObject::kLookup);
    EXPECT_EQ(lookup.member, L"caption");
    EXPECT_EQ(lookup.locale, 1033u);
    const Call& invoke = client->Calls()[1];
    EXPECT_EQ(invoke.kind, DISPATCH_PROPERTYGET);
    EXPECT_EQ(invoke.id, lookup.id);
    EXPECT_EQ(invoke.locale, 1033u);
    EXPECT_TRUE(invoke.argumentTypes.empty());
    EXPECT_TRUE(invoke.namedArguments.empty());

    ASSERT_EQ(value.Type(), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&value.Get()), L"Hello");
}

TEST_F(LateBoundTest, AssignmentGoesByValueUnlessTheValueIsAnObjectReference) {
    ComPtr<FakeAutomationObject> font = FakeAutomationObject::Create("font");
    VARIANT nullObject;
    V_VT(&nullObject) = VT_DISPATCH;
    V_DISPATCH(&nullObject) = nullptr;
    VARIANT unknownObject;
    V_VT(&unknownObject) = VT_UNKNOWN;
    V_UNKNOWN(&unknownObject) = font.Get();
    const Variant object(static_cast<IDispatch*>(font.Get()));
    VARIANT objectByReference;
    V_VT(&objectByReference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&objectByReference) = const_cast<VARIANT*>(&object.Get());
    const Variant number(LONG{42});
    const Variant text(std::wstring_view(L"abc"));

    const struct {
        const VARIANT& value;
        WORD kind;
    } cases[] = {
        {number.Get(), DISPATCH_PROPERTYPUT},   {text.Get(), DISPATCH_PROPERTYPUT},
        {object.Get(), DISPATCH_PROPERTYPUTREF}, {nullObject, DISPATCH_PROPERTYPUTREF},
        {unknownObject, DISPATCH_PROPERTYPUTREF}, {objectByReference, DISPATCH_PROPERTYPUTREF},
    };
    for (const auto& assignment : cases) {
        client->ClearCalls();
        ASSERT_EQ(ole::PutProperty(client.Get(), L"Caption", assignment.value), S_OK);
        ASSERT_EQ(client->Calls().size(), 2u);
        EXPECT_EQ(LastCall().kind, assignment.kind) << "value of type " << V_VT(&assignment.value);
        EXPECT_EQ(LastCall().locale, 1033u);
        EXPECT_EQ(LastCall().argumentTypes, std::vector<VARTYPE>{V_VT(&assignment.value)});
        EXPECT_EQ(LastCall().namedArguments, std::vector<DISPID>{DISPID_PROPERTYPUT});
    }

    // The client holds what it was given last; the caller's objects are not otherwise touched.
    client->SetProperty(L"Caption", Variant());
    EXPECT_EQ(font->RefCount(), 2u);  // ours and `object`'s
}

TEST_F(LateBoundTest, AnExceptionRaisedByTheClientReachesTheCallerAsErrorInfo) {
    const HRESULT invalidValue = ole::ControlErrorHResult(380);
    client->FailOn(L"Count", DISPATCH_PROPERTYPUT, invalidValue, L"Client.Source", L"Invalid property value");
    client->FailOn(L"Caption", DISPATCH_PROPERTYGET, E_ACCESSDENIED, L"Client.Source", L"no reading");

    EXPECT_EQ(ole::PutProperty(client.Get(), L"Count", Variant(LONG{1}).Get()), invalidValue);
    PendingError error = TakePendingError();
    ASSERT_EQ(error.found, S_OK);
    EXPECT_EQ(error.source, L"Client.Source");
    EXPECT_EQ(error.description, L"Invalid property value");

    Variant value(LONG{5});
    EXPECT_EQ(ole::GetProperty(client.Get(), L"Caption", value), E_ACCESSDENIED);
    EXPECT_TRUE(value.IsEmpty()) << "a failed read leaves no value behind";
    error = TakePendingError();
    ASSERT_EQ(error.found, S_OK);
    EXPECT_EQ(error.description, L"no reading");
}

TEST_F(LateBoundTest, FailuresWithoutAnExceptionClearAStaleError) {
    PublishStaleError();
    Variant value;
    EXPECT_EQ(ole::GetProperty(client.Get(), L"Missing", value), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(client->Calls().size(), 1u) << "nothing is invoked after a failed lookup";
    EXPECT_EQ(TakePendingError().found, S_FALSE);

    client->SetProperty(L"Locked", Variant(LONG{1}), FakeAutomationObject::Access::ReadOnly);
    PublishStaleError();
    EXPECT_EQ(ole::PutProperty(client.Get(), L"Locked", Variant(LONG{2}).Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(TakePendingError().found, S_FALSE);

    client->FailOn(L"Count", FakeAutomationObject::kLookup, E_FAIL);
    PublishStaleError();
    EXPECT_EQ(ole::GetProperty(client.Get(), L"Count", value), E_FAIL);
    EXPECT_EQ(TakePendingError().found, S_FALSE);

    EXPECT_EQ(ole::GetProperty(nullptr, L"Caption", value), E_POINTER);
    EXPECT_EQ(ole::PutProperty(nullptr, L"Caption", value.Get()), E_POINTER);
}

TEST_F(LateBoundTest, MethodArgumentsArriveInNaturalOrder) {
    std::vector<Variant> owned;
    for (LONG i = 0; i < 10; ++i) owned.emplace_back(i % 2 ? Variant(i) : Variant(std::wstring_view(L"x")));
    std::vector<VARIANT> arguments;
    for (const Variant& argument : owned) arguments.push_back(argument.Get());

    for (size_t count : {size_t{2}, size_t{10}}) {  // within and beyond the inline argument buffer
        client->ClearCalls();
        ole::CallMethod(client.Get(), L"Count", {arguments.data(), count}, nullptr);
        ASSERT_EQ(client->Calls().size(), 2u);
        EXPECT_EQ(LastCall().kind, DISPATCH_METHOD);
        EXPECT_TRUE(LastCall().namedArguments.empty());
        std::vector<VARTYPE> expected;
        for (size_t i = 0; i < count; ++i) expected.push_back(V_VT(&arguments[i]));
        EXPECT_EQ(LastCall().argumentTypes, expected);
    }
}

HRESULT STDAPICALLTYPE FillInInvalidKey(EXCEPINFO* deferred) {
    deferred->wCode = 35603;
    deferred->bstrSource = SysAllocString(L"Deferred.Source");
    deferred->bstrDescription = SysAllocString(L"Invalid Key");
    return S_OK;
}

TEST(TakeExceptionTest, FillsInDeferredInformationAndMapsBareErrorNumbers) {
    EXCEPINFO exception{};
    exception.pfnDeferredFillIn = FillInInvalidKey;
    EXPECT_EQ(ole::TakeException(exception), static_cast<HRESULT>(0x800A8B13));
    EXPECT_EQ(exception.bstrSource, nullptr);
    EXPECT_EQ(exception.pfnDeferredFillIn, nullptr);
    const PendingError error = TakePendingError();
    ASSERT_EQ(error.found, S_OK);
    EXPECT_EQ(error.source, L"Deferred.Source");
    EXPECT_EQ(error.description, L"Invalid Key");

    EXCEPINFO bare{};
    EXPECT_EQ(ole::TakeException(bare), DISP_E_EXCEPTION);
    ole::ClearErrorInfo();
}

}  // namespace
