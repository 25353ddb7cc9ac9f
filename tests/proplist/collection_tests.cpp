// The items: generated from objects whose type information is known, and their collection (keys,
// enumeration, lifetime) with its name index.
#include "ole/arguments.h"
#include "proplist/item_generator.h"
#include "proplist/item_key_index.h"
#include "proplist/item_style.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"
#include "tests/support/run_time_types.h"

namespace proplist_tests {

using ole::ComPtr;

class CollectionTest : public FilledListTest {
protected:
    const ComPtr<IPropertyItems> items = ItemsOf(list.Get());
};

// Keys ignore case; positions count from 1, in any integer type; VB passes a variable by reference.
// Anything else fails with subscript out of range and hands out no item.
TEST_F(CollectionTest, KeysIgnoreCaseAndPositionsCountFromOneElseSubscriptOutOfRange) {
    const ole::Variant count{std::wstring_view(L"count")}, colour{std::wstring_view(L"backcolor")}, last(LONG{12});
    const ole::Variant nope{std::wstring_view(L"Nope")}, zero(LONG{0}), past(LONG{13}), empty{std::wstring_view(L"")};
    const std::pair<VARIANT, const wchar_t*> keys[] = {{colour.Get(), L"BackColor"},
        {ole::ShortArgument(1), L"Caption"}, {last.Get(), L"Small"},
        {ole::VariantReference(const_cast<VARIANT*>(&count.Get())), L"Count"}, {nope.Get(), L"?"}, {zero.Get(), L"?"},
        {past.Get(), L"?"}, {empty.Get(), L"?"}};
    for (const auto& [key, name] : keys) {
        IPropertyItem* sentinel = reinterpret_cast<IPropertyItem*>(0x1);
        const HRESULT hr = items->get_Item(key, &sentinel);
        ComPtr<IPropertyItem> item;
        item.Attach(SUCCEEDED(hr) ? sentinel : nullptr);
        EXPECT_EQ(std::tuple(hr, NameOf(item.Get()), support::TakeErrorInfo().source),
                  std::tuple(item ? S_OK : static_cast<HRESULT>(0x800A0009), std::wstring(name),
                             std::wstring(item ? L"" : L"KavellaCtl.Kavella")));
        EXPECT_TRUE(item || !sentinel);
    }
    LONG shown = 0, secret = -5;
    EXPECT_EQ(items->Exists(ole::Variant(std::wstring_view(L"SHOWN")).Get(), &shown), S_OK);
    EXPECT_EQ(items->Exists(ole::Variant(std::wstring_view(L"Secret")).Get(), &secret), S_OK);
    EXPECT_TRUE(shown && !secret) << "hidden members have no item";
    // Names beyond ASCII fold as the system folds them.
    EXPECT_EQ(proplist::ItemKey(L"\u00e9tat Gr\u00f6\u00dfe"), proplist::ItemKey(L"\u00c9TAT GR\u00d6\u00dfE"));
}

// The list's default member is the collection, whose enumeration walks a snapshot that Clear does not disturb.
TEST_F(CollectionTest, DefaultMemberOfTheListIsTheCollectionWhoseEnumeratorWalksASnapshot) {
    DISPPARAMS none{};
    ole::Variant result;
    ASSERT_EQ(static_cast<_Kavella*>(list.Get())->Invoke(DISPID_VALUE, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none,
                                                          result.Out(), nullptr, nullptr), S_OK);
    ASSERT_EQ(result.Type(), VT_DISPATCH);
    EXPECT_EQ(support::QueryAs<IPropertyItems>(V_DISPATCH(&result.Get())).Get(), items.Get());
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(items->get__NewEnum(unknown.Put()), S_OK);
    const ComPtr<IEnumVARIANT> enumerator = support::QueryAs<IEnumVARIANT>(unknown);
    const std::vector<std::wstring> names = ItemNames(list.Get());
    ASSERT_EQ(items->Clear(), S_OK);
    std::vector<std::wstring> walked;
    ULONG fetched = 0;
    for (ole::Variant element; enumerator->Next(1, element.Out(), &fetched) == S_OK;) {
        walked.push_back(ItemNameIn(element.Get()));
    }
    EXPECT_EQ(walked, names);
}

TEST_F(CollectionTest, ItemsAndCollectionOutliveTheList) {
    ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Count");
    list.Reset();
    ASSERT_EQ(item->put_Value(ole::Variant(LONG{1}).Get()), S_OK);
    ASSERT_EQ(item->put_Visible(VARIANT_FALSE), S_OK);
    LONG left = 0;
    ASSERT_EQ(items->get_Count(&left), S_OK);
    EXPECT_EQ(left, 12);
    ASSERT_EQ(items->Clear(), S_OK);
    ASSERT_EQ(item->put_Value(ole::Variant(LONG{2}).Get()), S_OK);
}

// The collection's name index, fed keys that fight over its slots.
using proplist::ItemKey;
using proplist::ItemKeyIndex;

// Names whose keys all start probing at the index's last slot, so that each one filed after the
// first walks past the others and wraps round to the first slot.
std::vector<std::wstring> NamesInLastSlot(const ItemKeyIndex& index, size_t count) {
    const uint32_t mask = static_cast<uint32_t>(index.SlotCount() - 1);
    std::vector<std::wstring> names;
    const wchar_t* stems[] = {L"Prop", L"\u00e9tat", L"Gr\u00f6\u00dfe"};
    for (unsigned i = 0; names.size() < count; ++i) {
        std::wstring name = stems[i % 3] + std::to_wstring(i);
        if ((ItemKeyIndex::HashOf(ItemKey(name)) & mask) == mask) names.push_back(std::move(name));
    }
    return names;
}

TEST(ItemKeyIndexTest, CollidingKeysAreEachFoundInAnyCaseAndTheFirstOfASharedKeyAnswers) {
    ItemKeyIndex index;
    index.Reserve(7);
    const size_t slots = index.SlotCount();
    const std::vector<std::wstring> names = NamesInLastSlot(index, 6);
    for (size_t i = 0; i < 5; ++i) index.Add(names[i], i);
    // A second item under a key already filed, spelt in other capitals.
    index.Add(ItemKey(names[2]), 9);
    // Keys whose whole hashes are equal: only the keys themselves tell them apart.
    ASSERT_EQ(ItemKeyIndex::HashOf(L"KB291EB91BF"), ItemKeyIndex::HashOf(L"KD92514C49F"));
    index.Add(L"kb291eb91bf", 5);
    ASSERT_EQ(index.SlotCount(), slots) << "the keys must collide in the table they were chosen for";

    struct Case {
        std::wstring looked;
        size_t position;
    };
    const Case cases[] = {
        {names[0], 0},       {ItemKey(names[1]), 1}, {names[2], 2}, {ItemKey(names[3]), 3},
        {names[4], 4},       {names[5], ItemKeyIndex::kNotFound},   {names[4] + L"x", ItemKeyIndex::kNotFound},
        {L"", ItemKeyIndex::kNotFound},     {L"Kb291eB91BF", 5},    {L"KD92514C49F", ItemKeyIndex::kNotFound}};
    for (const Case& which : cases) EXPECT_EQ(index.Find(which.looked), which.position) << which.looked;

    index.Clear();
    EXPECT_EQ(index.Find(names[0]), ItemKeyIndex::kNotFound);
    index.Add(names[1], 0);
    EXPECT_EQ(index.Find(names[1]), 0u);
}

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
    {L"Values", kStyleCustom, true},      {L"Anything", kStyleCustom, true},     {L"Small", kStyleWholeNumber, false}};

}  // namespace

using ItemGenerationTest = FilledListTest;

TEST_F(ItemGenerationTest, OneItemPerReadablePropertyInDeclarationOrderHoweverTheObjectOffersItsTypeElseAClearFailure) {
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

    EXPECT_EQ(list->PopulateFromObject(ole::Variant(LONG{5}).Get()), static_cast<HRESULT>(0x800A01A8));
    EXPECT_EQ(support::TakeErrorInfo().source + std::to_wstring(ItemNames(list.Get()).size()), L"KavellaCtl.Kavella4")
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

// A refill of the same object renews each item that nobody else holds, as good as new; an item
// someone holds stays theirs as it was, and a new one takes its place.
TEST_F(ItemGenerationTest, ARefillRenewsOnlyTheItemsNobodyElseHolds) {
    const ComPtr<IPropertyItem> held = ItemNamed(list.Get(), L"Count");
    for (const wchar_t* name : {L"Caption", L"Count"}) {
        auto* item = static_cast<PropertyItem*>(ItemNamed(list.Get(), name).Get());
        ASSERT_EQ(item->StoreEditedValue(ole::Variant(LONG{9}).Get()), S_OK);
        ASSERT_EQ(item->put_Modified(ole::Variant(true).Get()), S_OK);
        ASSERT_EQ(item->put_Visible(VARIANT_FALSE), S_OK);
    }
    list->SetHostReadsValues(TRUE);
    ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK);
    for (const wchar_t* name : {L"Caption", L"Count"}) {
        auto* item = static_cast<PropertyItem*>(ItemNamed(list.Get(), name).Get());
        ole::Variant modified;
        ASSERT_EQ(item->get_Modified(modified.Out()), S_OK);
        EXPECT_EQ(std::tuple(item->IsVisible(), modified.Type(), V_VT(&item->CurrentValue()), item->CanReset()),
                  std::tuple(true, VT_EMPTY, VT_EMPTY, false)) << name;
    }
    const auto* kept = static_cast<PropertyItem*>(held.Get());
    EXPECT_NE(ItemNamed(list.Get(), L"Count").Get(), held.Get());
    EXPECT_EQ(std::tuple(kept->IsVisible(), V_VT(&kept->CurrentValue())), std::tuple(false, VT_I4));

    // Categories are named on each fill: a renewed item takes the name its object gives now.
    const auto categorized = SampleObject::Create(SampleObject::Kind::Categorized);
    ASSERT_EQ(Populate(list.Get(), categorized.Get()), S_OK);
    categorized->numbers = L"Figures";
    ASSERT_EQ(Populate(list.Get(), categorized.Get()), S_OK);
    const auto* count = static_cast<PropertyItem*>(ItemNamed(list.Get(), L"Count").Get());
    EXPECT_EQ(*count->Description().category, L"Figures");
}

}  // namespace proplist_tests
