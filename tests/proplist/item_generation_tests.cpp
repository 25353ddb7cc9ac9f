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

// Each item in order as its name, its style and whether it is read-only.
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
        EXPECT_EQ(item->get_ReadOnly(&readOnly), S_OK);
        EXPECT_EQ(item->get_Style(&style), S_OK);
        EXPECT_TRUE(readOnly == VARIANT_TRUE || readOnly == VARIANT_FALSE) << testing::PrintToString(name);
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

class ItemGenerationTest : public testing::Test {
protected:
    ComPtr<KavellaList> list = MakeList();
    ComPtr<SampleObject> sample = SampleObject::Create();
};

TEST_F(ItemGenerationTest, DualInterfaceGivesOneItemPerReadablePropertyInDeclarationOrder) {
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(Described(list.Get()), kSampleItems) << "hidden, restricted, indexed properties and methods are left out";
    // A property whose read fails still has its item, with nothing in it.
    ole::Variant value;
    ASSERT_EQ(ItemNamed(list.Get(), L"Values")->get_Value(value.Out()), S_OK);
    EXPECT_EQ(value.Type(), VT_EMPTY);
    EXPECT_FALSE(support::TakeErrorInfo().present) << "a failed read is not the caller's error";
}

TEST_F(ItemGenerationTest, ValuesAreShownByTheirNamesFromTheTypeLibrary) {
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    auto* outline = static_cast<PropertyItem*>(ItemNamed(list.Get(), L"Outline").Get());
    EXPECT_EQ(FormatValue(outline->Description(), outline->CurrentValue()), L"Triangle");
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
        EXPECT_EQ(Described(list.Get()), kSampleItems);
    }
    auto dispatchOnly = support::MakeMemberIdObject(SampleTypeInfo(DIID_DSample));
    ASSERT_EQ(Populate(list.Get(), dispatchOnly.Get()), S_OK);
    EXPECT_EQ(Described(list.Get()), (std::vector<Expected>{{L"Title", kStyleText}, {L"Size", kStyleWholeNumber, true},
                                                            {L"Flag", kStyleBoolean, true}}));
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
