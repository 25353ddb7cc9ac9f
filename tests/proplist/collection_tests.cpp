// The item collection: keys, enumeration, lifetime.
#include "ole/arguments.h"
#include "tests/proplist/list_helpers.h"
#include "tests/support/com_helpers.h"

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
                                                          result.Out(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.Type(), VT_DISPATCH);
    EXPECT_EQ(support::QueryAs<IPropertyItems>(V_DISPATCH(&result.Get())).Get(), items.Get());
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(items->get__NewEnum(unknown.Put()), S_OK);
    ASSERT_EQ(unknown.As(&enumerator), S_OK);
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

}  // namespace proplist_tests
