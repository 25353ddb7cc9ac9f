// Items generated from objects whose type libraries are known.
#include "proplist/item_generator.h"
#include "proplist/item_style.h"
#include "proplist/value_text.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"
#include "tests/support/run_time_types.h"
#include "tests/proplist/sample_objects.h"

#include <gtest/gtest.h>

namespace proplist_tests {

using ole::ComPtr;
using namespace proplist;

namespace {

struct Expected {
    const wchar_t* name;
    bool readOnly;
    LONG style;
};

void ExpectItems(KavellaList* list, const std::vector<Expected>& expected) {
    EXPECT_EQ(ItemNames(list).size(), expected.size());
    for (const Expected& want : expected) {
        ComPtr<IPropertyItem> item = ItemNamed(list, want.name);
        if (!item) continue;
        VARIANT_BOOL readOnly = 7;
        LONG style = -1;
        EXPECT_EQ(item->get_ReadOnly(&readOnly), S_OK);
        EXPECT_EQ(item->get_Style(&style), S_OK);
        EXPECT_EQ(readOnly, want.readOnly ? VARIANT_TRUE : VARIANT_FALSE) << "read-only of " << testing::PrintToString(std::wstring(want.name));
        EXPECT_EQ(style, want.style) << "style of " << testing::PrintToString(std::wstring(want.name));
    }
}

const std::vector<Expected> kSampleItems = {
    {L"Caption", false, kStyleText},       {L"Count", false, kStyleWholeNumber},
    {L"Ratio", false, kStyleDecimalNumber}, {L"Shown", false, kStyleBoolean},
    {L"Outline", false, kStyleEnumeration}, {L"BackColor", false, kStyleColour},
    {L"Born", false, kStyleDate},          {L"Serial", true, kStyleWholeNumber},
    {L"Child", false, kStyleCustom},       {L"Values", true, kStyleCustom},
    {L"Price", true, kStyleDecimalNumber},  {L"Anything", true, kStyleCustom},
    {L"Small", false, kStyleWholeNumber},
};

}  // namespace

class ItemGenerationTest : public testing::Test {
protected:
    ComPtr<KavellaList> list = MakeList();
    ComPtr<SampleObject> sample = SampleObject::Create();
};

TEST_F(ItemGenerationTest, DualInterfaceGivesOneItemPerReadablePropertyInDeclarationOrder) {
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(ItemNames(list.Get()),
              (std::vector<std::wstring>{L"Caption", L"Count", L"Ratio", L"Shown", L"Outline", L"BackColor", L"Born",
                                         L"Serial", L"Child", L"Values", L"Price", L"Anything", L"Small"}))
        << "hidden, restricted, indexed properties and methods are left out";
    ExpectItems(list.Get(), kSampleItems);
    // A property whose read fails still has its item, with nothing in it.
    ole::Variant value;
    ASSERT_EQ(ItemNamed(list.Get(), L"Values")->get_Value(value.Out()), S_OK);
    EXPECT_EQ(value.Type(), VT_EMPTY);
    EXPECT_FALSE(support::TakeErrorInfo().present) << "a failed read is not the caller's error";
}

TEST_F(ItemGenerationTest, ValuesAreShownByTheirNamesFromTheTypeLibrary) {
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    auto* outline = static_cast<PropertyItem*>(ItemNamed(list.Get(), L"Outline").Get());
    EXPECT_EQ(FormatValue(outline->Description(), outline->CurrentValue()), L"ShapeTriangle");
    auto* colour = static_cast<PropertyItem*>(ItemNamed(list.Get(), L"BackColor").Get());
    EXPECT_EQ(FormatValue(colour->Description(), colour->CurrentValue()), L"#FF8000");
    EXPECT_EQ(FormatValue(colour->Description(), ole::Variant(static_cast<IDispatch*>(nullptr)).Get()), L"(Nothing)");
}

TEST_F(ItemGenerationTest, TypeInformationIsFoundHoweverTheObjectOffersIt) {
    // Through IDispatch, through IProvideClassInfo only, and through a GetTypeInfo that answers
    // with the class, whose default interface describes the object.
    for (const auto described : {SampleObject::Described::ByClassInfo, SampleObject::Described::ByClassOfDispatch}) {
        auto offered = SampleObject::Create(described);
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(offered.Get())), S_OK);
        ExpectItems(list.Get(), kSampleItems);
    }
    auto dispatchOnly = support::MakeMemberIdObject(SampleTypeInfo(DIID_DSample));
    ASSERT_EQ(Populate(list.Get(), dispatchOnly.Get()), S_OK);
    EXPECT_EQ(ItemNames(list.Get()), (std::vector<std::wstring>{L"Title", L"Size", L"Flag"}));
    ExpectItems(list.Get(), {{L"Title", false, kStyleText}, {L"Size", true, kStyleWholeNumber},
                             {L"Flag", true, kStyleBoolean}});
    ole::Variant flag;
    ASSERT_EQ(ItemNamed(list.Get(), L"Flag")->get_Value(flag.Out()), S_OK);
    EXPECT_EQ(V_I4(&flag.Get()), 4) << "a property get method is read as a property";
}

TEST_F(ItemGenerationTest, ArgumentsThatCannotBeListedFailClearly) {
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ole::Variant number(LONG{5});
    EXPECT_EQ(list->PopulateFromObject(number.Get()), static_cast<HRESULT>(0x800A01A8));
    EXPECT_EQ(support::TakeErrorInfo().source, L"KavellaCtl.Kavella");
    EXPECT_EQ(ItemNames(list.Get()).size(), kSampleItems.size()) << "not an object: nothing changes";
    auto plain = doubles::FakeAutomationObject::Create();
    EXPECT_EQ(Populate(list.Get(), plain.Get()), static_cast<HRESULT>(0x800A01B6)) << "no type information";
    EXPECT_EQ(support::TakeErrorInfo().source, L"KavellaCtl.Kavella");
    EXPECT_TRUE(ItemNames(list.Get()).empty());
}

// A malformed value from a getter is a failed read, whether the list fills or is given it.
TEST_F(ItemGenerationTest, AMalformedValueLeavesTheItemAsItWas) {
    for (const VARTYPE type : {VARTYPE(VT_BYREF | VT_I4), VARTYPE(0x7FFF)}) {
        sample->values.malformedAnything = type;
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Anything");
        ole::Variant value;
        EXPECT_TRUE(SUCCEEDED(item->get_Value(value.Out())) && value.IsEmpty()) << type;
        ASSERT_EQ(item->put_Value(ole::Variant(LONG{5}).Get()), S_OK);
        VARIANT malformed{};
        V_VT(&malformed) = type;
        EXPECT_TRUE(FAILED(item->put_Value(malformed))) << type;
        EXPECT_TRUE(SUCCEEDED(item->get_Value(value.Out())) && V_I4(&value.Get()) == 5) << type;
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
