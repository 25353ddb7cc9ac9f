#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <new>
#include <utility>
#include <vector>

namespace {

using doubles::FakeAutomationObject;
using Call = FakeAutomationObject::Call;
using ole::ComPtr;
using ole::Variant;

TEST(OwnerTest, BstrKeepsEmbeddedNullsAndVariantHoldsItsOwnReference) {
    const std::wstring_view text(L"a\0b", 3);
    EXPECT_EQ(ole::Bstr(text).View(), text);

    ComPtr<FakeAutomationObject> object = FakeAutomationObject::Create("object");
    {
        Variant held(static_cast<IDispatch*>(object.Get()));
        Variant moved(std::move(held));
        EXPECT_EQ(object->RefCount(), 2u) << "a move transfers the reference";
        Variant copy;
        ASSERT_EQ(copy.CopyFrom(moved.Get()), S_OK);
        EXPECT_EQ(object->RefCount(), 3u);
        moved.Out();
        EXPECT_EQ(object->RefCount(), 2u) << "Out releases what was held";
        copy = Variant(LONG{1});
        EXPECT_EQ(object->RefCount(), 1u) << "assignment releases what was held";
        VARIANT raw;
        Variant(static_cast<IDispatch*>(object.Get())).Detach(&raw);
        copy = Variant::Attach(raw);
        EXPECT_EQ(V_VT(&raw), VT_EMPTY);
        EXPECT_EQ(object->RefCount(), 2u) << "Detach hands the reference on, Attach adopts it";
        Variant converted(LONG{5});
        EXPECT_EQ(ole::ChangeType(converted, copy.Get(), VT_I4), DISP_E_TYPEMISMATCH);
        EXPECT_TRUE(converted.IsEmpty()) << "a failed conversion leaves nothing";
    }
    EXPECT_EQ(object->RefCount(), 1u);
}

TEST(ErrorSuppressionRegionTest, EveryStepRunsTheLastFailureIsKeptAndNoErrorEscapes) {
    ole::PublishErrorInfo(L"Earlier", L"before the region");
    std::vector<int> ran;
    {
        ole::ErrorSuppressionRegion region;
        EXPECT_FALSE(support::TakeErrorInfo().present) << "entering clears the pending error";
        ole::PublishErrorInfo(L"Earlier", L"again");
        region.Attempt([&] {
            ran.push_back(1);
            return DISP_E_MEMBERNOTFOUND;
        });
        region.Attempt([&] {
            ran.push_back(2);
            return S_FALSE;
        });
        EXPECT_EQ(ran, (std::vector<int>{1, 2}));
        EXPECT_EQ(region.Error(), DISP_E_MEMBERNOTFOUND) << "a later success does not clear the pending error";
        region.Attempt([]() -> HRESULT { throw std::bad_alloc(); });
        EXPECT_EQ(region.Error(), E_OUTOFMEMORY) << "a later failure replaces it, as the error object's does";
        region.Clear();
        EXPECT_FALSE(region.Failed());
    }
    EXPECT_FALSE(support::TakeErrorInfo().present) << "leaving clears what the steps published";
}

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

// The lookup, the id it gives and US English are every binding test's; the kind of call is this one's.
TEST_F(LateBoundTest, ReadIsAPropertyGetAndAssignmentGoesByValueUnlessTheValueIsAnObjectReference) {
    Variant read;
    ASSERT_EQ(ole::GetProperty(client.Get(), L"caption", read), S_OK);
    EXPECT_EQ(LastCall().kind, DISPATCH_PROPERTYGET);
    ComPtr<FakeAutomationObject> font = FakeAutomationObject::Create("font");
    const Variant number(LONG{42});
    const Variant object(static_cast<IDispatch*>(font.Get()));
    const Variant nullObject(static_cast<IDispatch*>(nullptr));
    const Variant unknownObject(static_cast<IUnknown*>(font.Get()));
    VARIANT objectByReference{};
    V_VT(&objectByReference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&objectByReference) = const_cast<VARIANT*>(&object.Get());
    const struct {
        const VARIANT& value;
        WORD kind;
    } cases[] = {
        {number.Get(), DISPATCH_PROPERTYPUT},         {object.Get(), DISPATCH_PROPERTYPUTREF},
        {nullObject.Get(), DISPATCH_PROPERTYPUTREF},  {unknownObject.Get(), DISPATCH_PROPERTYPUTREF},
        {objectByReference, DISPATCH_PROPERTYPUTREF},
    };
    for (const auto& assignment : cases) {
        client->ClearCalls();
        ASSERT_EQ(ole::PutProperty(client.Get(), L"Caption", assignment.value), S_OK);
        ASSERT_EQ(client->Calls().size(), 2u);
        EXPECT_EQ(LastCall().kind, assignment.kind) << "value of type " << V_VT(&assignment.value);
        EXPECT_EQ(LastCall().argumentTypes, std::vector<VARTYPE>{V_VT(&assignment.value)});
    }
    client->SetProperty(L"Caption", Variant());
    EXPECT_EQ(font->RefCount(), 3u) << "ours, `object`'s and `unknownObject`'s: nothing else kept";
}

TEST_F(LateBoundTest, TheClientsExceptionBecomesErrorInfoAndOtherFailuresClearAStaleOne) {
    client->FailOn(L"Count", DISPATCH_PROPERTYPUT, E_INVALIDARG, L"Client.Source", L"Invalid property value");
    EXPECT_EQ(ole::PutProperty(client.Get(), L"Count", Variant(LONG{1}).Get()), E_INVALIDARG);
    EXPECT_EQ(support::TakeErrorInfo().description, L"Invalid property value");
    client->SetProperty(L"Locked", Variant(LONG{1}), FakeAutomationObject::Access::ReadOnly);
    client->FailOn(L"Caption", FakeAutomationObject::kLookup, E_FAIL);
    const struct {
        const wchar_t* member;
        bool write;
        HRESULT expected;
        size_t calls;
    } failures[] = {{L"Locked", true, DISP_E_MEMBERNOTFOUND, 2}, {L"Caption", false, E_FAIL, 1}};
    for (const auto& failure : failures) {
        client->ClearCalls();
        ole::PublishErrorInfo(L"Stale", L"left over from an earlier call");
        Variant value(LONG{5});
        const HRESULT hr = failure.write ? ole::PutProperty(client.Get(), failure.member, value.Get())
                                         : ole::GetProperty(client.Get(), failure.member, value);
        EXPECT_EQ(hr, failure.expected) << failure.member;
        EXPECT_EQ(client->Calls().size(), failure.calls) << "nothing is invoked after a failed lookup";
        EXPECT_FALSE(support::TakeErrorInfo().present) << failure.member;
        EXPECT_EQ(value.IsEmpty(), !failure.write) << "a failed read leaves no value behind";
    }
    Variant value;
    EXPECT_EQ(ole::GetProperty(nullptr, L"Caption", value), E_POINTER);
}

TEST_F(LateBoundTest, MethodArgumentsArriveInNaturalOrder) {
    std::vector<Variant> owned;
    std::vector<VARIANT> arguments;
    std::vector<VARTYPE> types;
    for (LONG i = 0; i < 10; ++i) {
        owned.emplace_back(i % 2 ? Variant(i) : Variant(std::wstring_view(L"x")));
        arguments.push_back(owned.back().Get());
        types.push_back(owned.back().Type());
    }
    for (size_t count : {size_t{2}, size_t{10}}) {  // within and beyond the inline argument buffer
        client->ClearCalls();
        ole::CallMethod(client.Get(), L"Count", {arguments.data(), count}, nullptr);
        ASSERT_EQ(client->Calls().size(), 2u);
        EXPECT_EQ(LastCall().kind, DISPATCH_METHOD);
        EXPECT_EQ(LastCall().argumentTypes, std::vector<VARTYPE>(types.begin(), types.begin() + count));
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
    EXPECT_EQ(exception.bstrSource, nullptr) << "the strings moved to the error info";
    EXPECT_EQ(support::TakeErrorInfo().source, L"Deferred.Source");
    EXCEPINFO bare{};
    EXPECT_EQ(ole::TakeException(bare), DISP_E_EXCEPTION);
    ole::ClearErrorInfo();
}

}  // namespace
