#pragma once

#include "ole/bstr.h"
#include "ole/property_bag.h"
#include "ole/variant.h"
#include "proplist/kavella_list.h"
#include "proplist/list_rows.h"
#include "tests/proplist/sample_objects.h"

#include <memory>

namespace proplist_tests {

inline ole::ComPtr<proplist::KavellaList> MakeList() {
    ole::ComPtr<proplist::KavellaList> list;
    EXPECT_EQ(ole::MakeObject(list), S_OK);
    return list;
}

inline HRESULT Populate(proplist::KavellaList* list, IDispatch* object) {
    ole::Variant argument(object);
    return list->PopulateFromObject(argument.Get());
}

inline ole::ComPtr<IPropertyItems> ItemsOf(proplist::KavellaList* list) {
    ole::ComPtr<IPropertyItems> items;
    EXPECT_EQ(list->get_PropertyItems(items.Put()), S_OK);
    return items;
}

inline ole::ComPtr<IPropertyItem> ItemNamed(proplist::KavellaList* list, const wchar_t* name) {
    ole::ComPtr<IPropertyItem> item;
    ole::Variant key{std::wstring_view(name)};
    EXPECT_EQ(ItemsOf(list)->get_Item(key.Get(), item.Put()), S_OK) << testing::PrintToString(std::wstring(name));
    return item;
}

inline ole::Variant ValueOf(proplist::KavellaList* list, const wchar_t* name) {
    ole::Variant value;
    EXPECT_EQ(ItemNamed(list, name)->get_Value(value.Out()), S_OK);
    return value;
}

inline std::wstring NameOf(IPropertyItem* item) {
    ole::Bstr name;
    if (!item || FAILED(item->get_Name(name.Out()))) return L"?";
    return std::wstring(name.View());
}

// The name of the item a variant holds, or "?" when it holds none.
inline std::wstring ItemNameIn(const VARIANT& argument) {
    ole::ComPtr<IPropertyItem> item;
    if (V_VT(&argument) == VT_DISPATCH && V_DISPATCH(&argument)) {
        static_cast<void>(V_DISPATCH(&argument)->QueryInterface(IID_IPropertyItem, item.PutVoid()));
    }
    return NameOf(item.Get());
}

inline std::vector<std::wstring> ItemNames(proplist::KavellaList* list) {
    std::vector<std::wstring> names;
    const ole::ComPtr<IPropertyItems> items = ItemsOf(list);
    LONG count = 0;
    items->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ole::ComPtr<IPropertyItem> item;
        if (SUCCEEDED(items->get_Item(ole::Variant(i).Get(), item.Put()))) names.push_back(NameOf(item.Get()));
    }
    return names;
}

// The list without a window, filled from the sample object.
class FilledListTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Populate(list.Get(), sample.Get()), S_OK); }

    ole::ComPtr<SampleObject> sample = SampleObject::Create();
    ole::ComPtr<proplist::KavellaList> list = MakeList();
};

// The rows of `items` apart from any window.
class RowsTest : public testing::Test, private proplist::RowSource {
protected:
    void SetUp() override { ASSERT_EQ(ole::MakeObject(items), S_OK); }
    // An item's row is its name, a header's its name in brackets ("[+name]" collapsed), no row "(none)".
    std::wstring RowText(size_t row) {
        const proplist::RowGroup* header = row == proplist::ListRows::kNone ? nullptr : rows.HeaderAt(row);
        if (header) return (header->expanded ? L"[" : L"[+") + *header->name + L"]";
        return row == proplist::ListRows::kNone ? L"(none)" : rows.ItemAt(row)->Description().name;
    }
    size_t RowOf(const std::wstring& text, size_t from = 0) {
        while (from < rows.Count() && RowText(from) != text) ++from;
        return from < rows.Count() ? from : proplist::ListRows::kNone;
    }

    proplist::PropertyItems& Items() noexcept override { return *items.Get(); }
    void RowsRebuilt() noexcept override { ++rebuilt; }

    ole::ComPtr<proplist::PropertyItems> items;
    proplist::ListRows rows{*this};
    int rebuilt = 0;
};

}  // namespace proplist_tests
