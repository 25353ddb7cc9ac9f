#include "ole/bstr.h"
#include "ole/variant.h"

#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using doubles::FakeAutomationObject;
using ole::Bstr;
using ole::ComPtr;
using ole::Variant;

TEST(BstrTest, KeepsEmbeddedNullsAndMovesOwnership) {
    const std::wstring_view text(L"a\0b", 3);
    Bstr original(text);
    EXPECT_EQ(original.View(), text);
    Bstr moved(std::move(original));
    EXPECT_EQ(original.Get(), nullptr);
    EXPECT_EQ(moved.View(), text);
    const BSTR raw = moved.Detach();
    EXPECT_EQ(moved.Get(), nullptr);
    const Bstr adopted = Bstr::Attach(raw);
    EXPECT_EQ(adopted.Get(), raw);
}

TEST(VariantTest, HoldsItsOwnReferenceForItsWholeLife) {
    ComPtr<FakeAutomationObject> object = FakeAutomationObject::Create("object");
    {
        Variant held(static_cast<IDispatch*>(object.Get()));
        EXPECT_EQ(object->RefCount(), 2u);
        Variant moved(std::move(held));
        EXPECT_EQ(object->RefCount(), 2u) << "a move transfers the reference";
        EXPECT_TRUE(held.IsEmpty());

        Variant copy;
        ASSERT_EQ(copy.CopyFrom(moved.Get()), S_OK);
        EXPECT_EQ(object->RefCount(), 3u);
        moved.Out();
        EXPECT_EQ(object->RefCount(), 2u) << "Out releases what was held";
        copy = Variant(LONG{1});
        EXPECT_EQ(object->RefCount(), 1u) << "assignment releases what was held";

        VARIANT raw;
        Variant(static_cast<IDispatch*>(object.Get())).Detach(&raw);
        EXPECT_EQ(object->RefCount(), 2u) << "Detach hands the reference on";
        copy = Variant::Attach(raw);
        EXPECT_EQ(V_VT(&raw), VT_EMPTY);
        EXPECT_EQ(object->RefCount(), 2u) << "Attach adopts it";
    }
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_EQ(V_BOOL(&Variant(true).Get()), VARIANT_TRUE) << "an automation boolean, not 1";
}

}  // namespace
