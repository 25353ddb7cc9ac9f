// Items generated from objects whose type libraries are known.
#include "ole/late_bound.h"
#include "proplist/item_generator.h"
#include "proplist/item_style.h"
#include "proplist/value_text.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/proplist/list_helpers.h"
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
};

TEST_F(ItemGenerationTest, DualInterfaceGivesOneItemPerReadablePropertyInDeclarationOrder) {
    auto sample = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(ItemNames(list.Get()),
              (std::vector<std::wstring>{L"Caption", L"Count", L"Ratio", L"Shown", L"Outline", L"BackColor", L"Born",
                                         L"Serial", L"Child", L"Values", L"Price", L"Anything", L"Small"}))
        << "hidden, restricted, indexed properties and methods are left out";
    ExpectItems(list.Get(), kSampleItems);
}

TEST_F(ItemGenerationTest, InitialValuesAreReadFromTheObject) {
    auto sample = SampleObject::Create();
    sample->values.caption = L"Read me";
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ole::Variant value;
    ASSERT_EQ(ItemNamed(list.Get(), L"Caption")->get_Value(value.Out()), S_OK);
    ASSERT_EQ(value.Type(), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&value.Get()), L"Read me");
    ASSERT_EQ(ItemNamed(list.Get(), L"Small")->get_Value(value.Out()), S_OK);
    EXPECT_EQ(value.Type(), VT_I2);
    EXPECT_EQ(V_I2(&value.Get()), 7);
    ASSERT_EQ(ItemNamed(list.Get(), L"Serial")->get_Value(value.Out()), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), 42);
    // A property whose read fails still has its item, with nothing in it.
    ASSERT_EQ(ItemNamed(list.Get(), L"Values")->get_Value(value.Out()), S_OK);
    EXPECT_EQ(value.Type(), VT_EMPTY);
    EXPECT_EQ(TakeErrorText(), L"") << "a failed read is not the caller's error";
}

TEST_F(ItemGenerationTest, EnumerationItemsKnowTheirNamesFromTheTypeLibrary) {
    auto sample = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ComPtr<IPropertyItem> outline = ItemNamed(list.Get(), L"Outline");
    auto* item = static_cast<PropertyItem*>(outline.Get());
    ASSERT_TRUE(item->Description().members);
    std::vector<std::wstring> names;
    for (const EnumMember& member : *item->Description().members) names.push_back(member.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"ShapeCircle", L"ShapeSquare", L"ShapeTriangle"}));
    EXPECT_EQ(FormatValue(item->Description(), item->CurrentValue()), L"ShapeTriangle");
    EXPECT_EQ(FormatValue(static_cast<PropertyItem*>(ItemNamed(list.Get(), L"BackColor").Get())->Description(),
                          static_cast<PropertyItem*>(ItemNamed(list.Get(), L"BackColor").Get())->CurrentValue()),
              L"#FF8000");
}

TEST_F(ItemGenerationTest, ClassInfoGivesTheDefaultInterfaceWhenDispatchHasNoTypeInfo) {
    auto sample = SampleObject::Create(SampleObject::Described::ByClassInfo);
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ExpectItems(list.Get(), kSampleItems);
    // An object whose GetTypeInfo answers with its class is described by the class's default.
    auto byClass = SampleObject::Create(SampleObject::Described::ByClassOfDispatch);
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(byClass.Get())), S_OK);
    ExpectItems(list.Get(), kSampleItems);
}

TEST_F(ItemGenerationTest, PureDispinterfaceGivesItsPropertiesAndPropertyMethods) {
    auto sample = DispatchSampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    EXPECT_EQ(ItemNames(list.Get()), (std::vector<std::wstring>{L"Title", L"Size", L"Flag"}));
    ExpectItems(list.Get(), {{L"Title", false, kStyleText}, {L"Size", true, kStyleWholeNumber},
                             {L"Flag", true, kStyleBoolean}});
    ole::Variant flag;
    ASSERT_EQ(ItemNamed(list.Get(), L"Flag")->get_Value(flag.Out()), S_OK);
    EXPECT_EQ(flag.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(&flag.Get()), VARIANT_TRUE);
}

TEST_F(ItemGenerationTest, ObjectWithoutTypeInformationFailsClearlyAndLeavesTheListEmpty) {
    auto sample = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    auto plain = doubles::FakeAutomationObject::Create();
    EXPECT_EQ(Populate(list.Get(), plain.Get()), static_cast<HRESULT>(0x800A01B6));
    EXPECT_EQ(TakeErrorText(),
              L"KavellaCtl.Kavella: The object has no type information, so its properties cannot be listed");
    EXPECT_TRUE(ItemNames(list.Get()).empty());
}

TEST_F(ItemGenerationTest, AnArgumentThatIsNotAnObjectIsRefusedAndChangesNothing) {
    auto sample = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ole::Variant number(LONG{5});
    EXPECT_EQ(list->PopulateFromObject(number.Get()), static_cast<HRESULT>(0x800A01A8));
    EXPECT_NE(TakeErrorText().find(L"Object required"), std::wstring::npos);
    EXPECT_EQ(ItemNames(list.Get()).size(), kSampleItems.size());
}

TEST_F(ItemGenerationTest, PopulatingAgainReplacesTheItemsAsTheEngineExpects) {
    // The engine refills the list without clearing it first (each refresh, each option change):
    // the items must not pile up.
    auto sample = SampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
    EXPECT_EQ(ItemNames(list.Get()).size(), kSampleItems.size());
    auto other = DispatchSampleObject::Create();
    ASSERT_EQ(Populate(list.Get(), other.Get()), S_OK);
    EXPECT_EQ(ItemNames(list.Get()), (std::vector<std::wstring>{L"Title", L"Size", L"Flag"}));
}

TEST_F(ItemGenerationTest, LateBoundCallsByNameReachTheList) {
    auto sample = SampleObject::Create();
    const ole::Variant argument(static_cast<IDispatch*>(static_cast<ISample*>(sample.Get())));
    ComPtr<IDispatch> dispatch(static_cast<_Kavella*>(list.Get()));
    ASSERT_EQ(ole::CallMethod(dispatch.Get(), L"PopulateFromObject", {&argument.Get(), 1}, nullptr), S_OK);
    ole::Variant items;
    ASSERT_EQ(ole::GetProperty(dispatch.Get(), L"PropertyItems", items), S_OK);
    ole::Variant count;
    ASSERT_EQ(ole::GetProperty(V_DISPATCH(&items.Get()), L"Count", count), S_OK);
    EXPECT_EQ(V_I4(&count.Get()), static_cast<LONG>(kSampleItems.size()));
    // A failure reaches a late-bound caller with its number and description.
    auto plain = doubles::FakeAutomationObject::Create();
    const ole::Variant nothing(static_cast<IDispatch*>(plain.Get()));
    EXPECT_EQ(ole::CallMethod(dispatch.Get(), L"PopulateFromObject", {&nothing.Get(), 1}, nullptr),
              static_cast<HRESULT>(0x800A01B6));
    EXPECT_NE(TakeErrorText().find(L"no type information"), std::wstring::npos);
}

TEST_F(ItemGenerationTest, ListLetsGoOfTheObjectAndItsItems) {
    auto sample = SampleObject::Create();
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
