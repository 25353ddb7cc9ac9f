// The item collection: keys, enumeration, lifetime, and the list's saved state.
#include "ole/property_bag.h"
#include "tests/proplist/list_helpers.h"
#include "tests/proplist/sample_objects.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

namespace proplist_tests {

using ole::ComPtr;
using proplist::KavellaList;

class CollectionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        items = ItemsOf(list.Get());
    }

    ComPtr<IPropertyItem> Lookup(const VARIANT& key) {
        ComPtr<IPropertyItem> item;
        EXPECT_EQ(items->get_Item(key, item.Put()), S_OK);
        return item;
    }

    ComPtr<SampleObject> sample = SampleObject::Create();
    ComPtr<KavellaList> list = MakeList();
    ComPtr<IPropertyItems> items;
};

TEST_F(CollectionTest, KeysIgnoreCaseAndPositionsCountFromOne) {
    const ComPtr<IPropertyItem> byName = Lookup(ole::Variant(std::wstring_view(L"backcolor")).Get());
    EXPECT_EQ(NameOf(byName.Get()), L"BackColor");
    VARIANT shortIndex;
    V_VT(&shortIndex) = VT_I2;
    V_I2(&shortIndex) = 1;
    EXPECT_EQ(NameOf(Lookup(shortIndex).Get()), L"Caption");
    // A key passed by reference, as VB passes a variable.
    ole::Variant key{std::wstring_view(L"count")};
    VARIANT byReference;
    V_VT(&byReference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&byReference) = const_cast<VARIANT*>(&key.Get());
    EXPECT_EQ(NameOf(Lookup(byReference).Get()), L"Count");
    // Names beyond ASCII fold as the system folds them.
    EXPECT_EQ(proplist::ItemKey(L"\u00e9tat Gr\u00f6\u00dfe"), proplist::ItemKey(L"\u00c9TAT GR\u00d6\u00dfE"));
}

TEST_F(CollectionTest, MissingKeysAndPositionsFailWithSubscriptOutOfRange) {
    for (const ole::Variant& key : {ole::Variant(std::wstring_view(L"Nope")), ole::Variant(LONG{0}),
                                    ole::Variant(LONG{14}), ole::Variant(std::wstring_view(L""))}) {
        IPropertyItem* sentinel = reinterpret_cast<IPropertyItem*>(0x1);
        EXPECT_EQ(items->get_Item(key.Get(), &sentinel), static_cast<HRESULT>(0x800A0009));
        EXPECT_EQ(sentinel, nullptr);
        EXPECT_EQ(support::TakeErrorInfo().source, L"KavellaCtl.Kavella");
    }
    LONG exists = -5;
    EXPECT_EQ(items->Exists(ole::Variant(std::wstring_view(L"SHOWN")).Get(), &exists), S_OK);
    EXPECT_NE(exists, 0);
    EXPECT_EQ(items->Exists(ole::Variant(std::wstring_view(L"Secret")).Get(), &exists), S_OK);
    EXPECT_EQ(exists, 0) << "hidden members have no item";
}

TEST_F(CollectionTest, DefaultMemberOfTheListIsTheCollection) {
    ComPtr<IDispatch> dispatch(static_cast<_Kavella*>(list.Get()));
    DISPPARAMS none{};
    ole::Variant result;
    ASSERT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, result.Out(), nullptr,
                               nullptr),
              S_OK);
    ASSERT_EQ(result.Type(), VT_DISPATCH);
    ComPtr<IPropertyItems> fromDefault;
    ASSERT_EQ(V_DISPATCH(&result.Get())->QueryInterface(IID_IPropertyItems, fromDefault.PutVoid()), S_OK);
    EXPECT_EQ(fromDefault.Get(), items.Get());
}

TEST_F(CollectionTest, EnumerationWalksASnapshotThatClearDoesNotDisturb) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(items->get__NewEnum(unknown.Put()), S_OK);
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(unknown.As(&enumerator), S_OK);
    ole::Variant first;
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(1, first.Out(), &fetched), S_OK);
    ASSERT_EQ(items->Clear(), S_OK);

    std::vector<std::wstring> rest;
    for (ole::Variant element; enumerator->Next(1, element.Out(), &fetched) == S_OK;) {
        rest.push_back(ItemNameIn(element.Get()));
    }
    EXPECT_EQ(rest.size(), 12u);
    EXPECT_EQ(rest.front(), L"Count");
}

TEST_F(CollectionTest, ItemsAndCollectionOutliveTheList) {
    ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Count");
    list.Reset();
    ASSERT_EQ(item->put_Value(ole::Variant(LONG{1}).Get()), S_OK);
    ASSERT_EQ(item->put_Visible(VARIANT_FALSE), S_OK);
    LONG left = 0;
    ASSERT_EQ(items->get_Count(&left), S_OK);
    EXPECT_EQ(left, 13);
    ASSERT_EQ(items->Clear(), S_OK);
    ASSERT_EQ(item->put_Value(ole::Variant(LONG{2}).Get()), S_OK);
}

TEST(ListPersistenceTest, FontAndEnabledSurviveSavingAndLoading) {
    ComPtr<KavellaList> saved = MakeList(), loaded = MakeList();
    ComPtr<IPersistPropertyBag> saver, loader;
    ASSERT_EQ(saved.As(&saver), S_OK);
    ASSERT_EQ(loaded.As(&loader), S_OK);
    ASSERT_EQ(saver->InitNew(), S_OK);
    ASSERT_EQ(saved->put_Enabled(VARIANT_FALSE), S_OK);
    const ComPtr<IFont> font = FontOf(saved.Get());
    ASSERT_TRUE(font);
    ASSERT_EQ(font->put_Size(Points(12)), S_OK);
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(saver->Save(bag.Get(), TRUE, TRUE), S_OK);
    ASSERT_EQ(loader->Load(bag.Get(), nullptr), S_OK);

    VARIANT_BOOL enabled = VARIANT_TRUE;
    ASSERT_EQ(loaded->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, VARIANT_FALSE);
    const ComPtr<IFont> loadedFont = FontOf(loaded.Get());
    ASSERT_TRUE(loadedFont);
    EXPECT_NE(loadedFont.Get(), font.Get()) << "each list has a font of its own";
    // The platform reports the size of the font it realised, which depends on the fonts
    // installed: what the saved font says of itself is what the loaded one must say.
    CY savedSize{}, loadedSize{};
    ASSERT_EQ(font->get_Size(&savedSize), S_OK);
    ASSERT_EQ(loadedFont->get_Size(&loadedSize), S_OK);
    EXPECT_EQ(loadedSize.int64, savedSize.int64);
}

}  // namespace proplist_tests
