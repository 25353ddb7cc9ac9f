#include "tests/proplist/list_helpers.h"
#include "tests/proplist/sample_objects.h"

namespace proplist_tests {

// A malformed value from a getter is a failed read, whether the list fills or is given it.
TEST(MalformedValueTest, AMalformedValueLeavesTheItemAsItWas) {
    for (const VARTYPE type : {VARTYPE(VT_BYREF | VT_I4), VARTYPE(0x7FFF)}) {
        auto sample = SampleObject::Create();
        sample->values.malformedAnything = type;
        auto list = MakeList();
        ASSERT_EQ(Populate(list.Get(), static_cast<ISample*>(sample.Get())), S_OK);
        ole::ComPtr<IPropertyItem> item = ItemNamed(list.Get(), L"Anything");
        ole::Variant value;
        EXPECT_TRUE(SUCCEEDED(item->get_Value(value.Out())) && value.IsEmpty()) << type;
        ASSERT_EQ(item->put_Value(ole::Variant(LONG{5}).Get()), S_OK);
        VARIANT malformed{};
        V_VT(&malformed) = type;
        EXPECT_TRUE(FAILED(item->put_Value(malformed))) << type;
        EXPECT_TRUE(SUCCEEDED(item->get_Value(value.Out())) && V_I4(&value.Get()) == 5) << type;
    }
}

}  // namespace proplist_tests
