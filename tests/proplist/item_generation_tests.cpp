// Items generated from objects whose type libraries are known.
#include "proplist/item_style.h"
#include "proplist/value_text.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"
#include "tests/support/run_time_types.h"

#include <gtest/gtest.h>

namespace proplist_tests {

using ole::ComPtr;
using namespace proplist;

namespace {

struct Expected {
    std::wstring name;
    LONG style;
    bool readOnly = false;
    bool operator==(const Expected&) const = default;
    friend void PrintTo(const Expected& item, std::ostream* out) {
        *out << testing::PrintToString(item.name) << " style " << item.style << (item.readOnly ? " read-only" : "");
    }
};

std::vector<Expected> Described(KavellaList* list) {
    std::vector<Expected> described;
    for (const std::wstring& name : ItemNames(list)) {
        VARIANT_BOOL readOnly = 7;
        LONG style = -1;
        const ComPtr<IPropertyItem> item = ItemNamed(list, name.c_str());
        EXPECT_TRUE(SUCCEEDED(item->get_ReadOnly(&readOnly)) && SUCCEEDED(item->get_Style(&style)));
        described.push_back({name, style, readOnly == VARIANT_TRUE});
    }
    return described;
}

const std::vector<Expected> kSampleItems = {
    {L"Caption", kStyleText},         {L"Count", kStyleWholeNumber},          {L"Ratio", kStyleDecimalNumber},
    {L"Shown", kStyleBoolean},        {L"Outline", kStyleEnumeration},        {L"BackColor", kStyleColour},
    {L"Born", kStyleDate},            {L"Serial", kStyleWholeNumber, true},   {L"Child", kStyleCustom},
    {L"Values", kStyleCustom, true},  {L"Price", kStyleDecimalNumber, true},  {L"Anything", kStyleCustom, true},
    {L"Small", kStyleWholeNumber},
};

}  // namespace

using ItemGenerationTest = FilledListTest;

TEST_F(ItemGenerationTest, DualInterfaceGivesOneItemPerReadablePropertyInDeclarationOrder) {
    EXPECT_EQ(Described(list.Get()), kSampleItems) << "hidden, restricted, indexed properties and methods are left out";
    // A property whose read fails still has its item, with nothing in it.
    EXPECT_EQ(ValueOf(list.Get(), L"Values").Type(), VT_EMPTY);
    EXPECT_FALSE(support::TakeErrorInfo().present) << "a failed read is not the caller's error";
}

TEST_F(ItemGenerationTest, TypeInformationIsFoundHoweverTheObjectOffersIt) {
    for (const auto described : {SampleObject::Described::ByClassInfo, SampleObject::Described::ByClassOfDispatch}) {
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(SampleObject::Create(described).Get())), S_OK);
        EXPECT_EQ(Described(list.Get()), kSampleItems);
    }
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(SampleTypeInfo(DIID_DSample)).Get()), S_OK);
    EXPECT_EQ(Described(list.Get()), (std::vector<Expected>{{L"Title", kStyleText}, {L"Size", kStyleWholeNumber, true},
                                                            {L"Flag", kStyleBoolean, true}}));
    EXPECT_EQ(V_I4(&ValueOf(list.Get(), L"Flag").Get()), 4) << "a property get method is read as a property";
}

TEST_F(ItemGenerationTest, ArgumentsThatCannotBeListedFailClearly) {
    EXPECT_EQ(list->PopulateFromObject(ole::Variant(LONG{5}).Get()), static_cast<HRESULT>(0x800A01A8));
    EXPECT_EQ(support::TakeErrorInfo().source + std::to_wstring(ItemNames(list.Get()).size()), L"KavellaCtl.Kavella13")
        << "not an object: nothing changes";
    EXPECT_EQ(Populate(list.Get(), doubles::FakeAutomationObject::Create().Get()), static_cast<HRESULT>(0x800A01B6))
        << "no type information";
    EXPECT_EQ(support::TakeErrorInfo().source + std::to_wstring(ItemNames(list.Get()).size()), L"KavellaCtl.Kavella0");
}

// A malformed value from a getter is a failed read, whether the list fills or is given it.
TEST_F(ItemGenerationTest, AMalformedValueLeavesTheItemAsItWas) {
    for (const VARTYPE type : {VARTYPE(VT_BYREF | VT_I4), VARTYPE(0x7FFF)}) {
        SCOPED_TRACE(type);
        sample->values.malformedAnything = type;
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Anything");
        EXPECT_TRUE(ValueOf(list.Get(), L"Anything").IsEmpty());
        ASSERT_EQ(item->put_Value(ole::Variant(LONG{5}).Get()), S_OK);
        VARIANT malformed{};
        V_VT(&malformed) = type;
        EXPECT_TRUE(FAILED(item->put_Value(malformed)));
        EXPECT_EQ(V_I4(&ValueOf(list.Get(), L"Anything").Get()), 5);
    }
}

TEST_F(ItemGenerationTest, ListLetsGoOfTheObjectAndItsItems) {
    auto child = SampleObject::Create();
    sample->values.child = static_cast<ISample*>(child.Get());
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(sample->RefCount(), 1u) << "the list keeps no reference to the object it described";
    EXPECT_EQ(child->RefCount(), 3u) << "the object's own, and the Child item's value";
    list.Reset();
    EXPECT_EQ(child->RefCount(), 2u);
    sample->values.child.Reset();
}

}  // namespace proplist_tests
