// Items generated from objects whose type information is known.
#include "proplist/item_generator.h"
#include "proplist/item_style.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"
#include "tests/support/run_time_types.h"

namespace proplist_tests {

using ole::ComPtr;
using namespace proplist;

namespace {

using Described = std::vector<std::tuple<std::wstring, LONG, bool>>;  // name, style, read-only

Described DescribedItems(KavellaList* list) {
    Described described;
    for (const std::wstring& name : ItemNames(list)) {
        VARIANT_BOOL readOnly = 7;
        LONG style = -1;
        const ComPtr<IPropertyItem> item = ItemNamed(list, name.c_str());
        EXPECT_TRUE(SUCCEEDED(item->get_ReadOnly(&readOnly)) && SUCCEEDED(item->get_Style(&style)));
        described.emplace_back(name, style, readOnly == VARIANT_TRUE);
    }
    return described;
}

const Described kSampleItems = {
    {L"Caption", kStyleText, false},      {L"Count", kStyleWholeNumber, false},  {L"Ratio", kStyleDecimalNumber, false},
    {L"Shown", kStyleBoolean, false},     {L"Outline", kStyleEnumeration, false}, {L"BackColor", kStyleColour, false},
    {L"Born", kStyleDate, false},         {L"Serial", kStyleWholeNumber, true},  {L"Child", kStyleCustom, false},
    {L"Values", kStyleCustom, true},      {L"Anything", kStyleCustom, true},     {L"Small", kStyleWholeNumber, false},
};

}  // namespace

using ItemGenerationTest = FilledListTest;

TEST_F(ItemGenerationTest, OneItemPerReadablePropertyInDeclarationOrderHoweverTheObjectOffersItsType) {
    EXPECT_EQ(DescribedItems(list.Get()), kSampleItems) << "hidden, restricted, indexed properties and methods go";
    EXPECT_EQ(sample->RefCount(), 1u) << "the list keeps no reference to the object it described";
    // A property whose read fails still has its item, with nothing in it.
    EXPECT_EQ(ValueOf(list.Get(), L"Values").Type(), VT_EMPTY);
    EXPECT_FALSE(support::TakeErrorInfo().present) << "a failed read is not the caller's error";
    for (const auto kind : {SampleObject::Kind::ByClassInfo, SampleObject::Kind::ByClassOfDispatch}) {
        ASSERT_EQ(Populate(list.Get(), SampleObject::Create(kind).Get()), S_OK);
        EXPECT_EQ(DescribedItems(list.Get()), kSampleItems);
    }
    ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(SampleTypeInfo(L"DSample")).Get()), S_OK);
    EXPECT_EQ(DescribedItems(list.Get()), (Described{{L"Title", kStyleText, false}, {L"Size", kStyleWholeNumber, true},
                                                     {L"Face", kStyleCustom, false}, {L"Flag", kStyleBoolean, true}}));
    EXPECT_EQ(V_I4(&ValueOf(list.Get(), L"Flag").Get()), 4) << "a property get method is read as a property";
    // A host that reads every value itself is spared the list's reads until it lets go.
    for (const BOOL hostReads : {TRUE, FALSE}) {
        ASSERT_EQ(list->SetHostReadsValues(hostReads), S_OK);
        ASSERT_EQ(Populate(list.Get(), support::MakeMemberIdObject(SampleTypeInfo(L"DSample")).Get()), S_OK);
        EXPECT_EQ(ValueOf(list.Get(), L"Flag").Type(), hostReads ? VT_EMPTY : VT_I4);
    }
    std::vector<ItemDescription> described;
    std::vector<MEMBERID> ids;
    ASSERT_EQ(DescribeProperties(SampleTypeInfo(L"DSample").Get(), described, ids), S_OK);
    EXPECT_TRUE(described.at(2).fontTyped) << "a pointer to stdole's Font is a font";
}

TEST_F(ItemGenerationTest, ArgumentsThatCannotBeListedFailClearly) {
    EXPECT_EQ(list->PopulateFromObject(ole::Variant(LONG{5}).Get()), static_cast<HRESULT>(0x800A01A8));
    EXPECT_EQ(support::TakeErrorInfo().source + std::to_wstring(ItemNames(list.Get()).size()), L"KavellaCtl.Kavella12")
        << "not an object: nothing changes";
    EXPECT_EQ(Populate(list.Get(), doubles::FakeAutomationObject::Create().Get()), static_cast<HRESULT>(0x800A01B6))
        << "no type information";
    EXPECT_EQ(support::TakeErrorInfo().source + std::to_wstring(ItemNames(list.Get()).size()), L"KavellaCtl.Kavella0");
}

// A malformed value from a getter is a failed read, whether the list fills or is given it.
TEST_F(ItemGenerationTest, AMalformedValueLeavesTheItemAsItWas) {
    for (const VARTYPE type : {VARTYPE(VT_BYREF | VT_I4), VARTYPE(0x7FFF)}) {
        SCOPED_TRACE(type);
        sample->malformedAnything = type;
        ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
        ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Anything");
        EXPECT_TRUE(ValueOf(list.Get(), L"Anything").IsEmpty());
        ASSERT_EQ(item->put_Value(ole::Variant(LONG{5}).Get()), S_OK);
        VARIANT malformed{};
        V_VT(&malformed) = type;
        EXPECT_TRUE(FAILED(item->put_Value(malformed)));
        EXPECT_EQ(V_I4(&ValueOf(list.Get(), L"Anything").Get()), 5);
    }
}

}  // namespace proplist_tests
