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
    EXPECT_EQ(original.Length(), 3u);
    EXPECT_EQ(original.View(), text);

    Bstr moved(std::move(original));
    EXPECT_EQ(original.Get(), nullptr);
    EXPECT_EQ(moved.View(), text);

    const BSTR raw = moved.Detach();
    EXPECT_EQ(moved.Get(), nullptr);
    const Bstr adopted = Bstr::Attach(raw);
    EXPECT_EQ(adopted.Get(), raw);
}

TEST(BstrTest, NullIsTheEmptyString) {
    const Bstr empty;
    EXPECT_EQ(empty.Length(), 0u);
    EXPECT_EQ(empty.View(), L"");
}

class VariantTest : public testing::Test {
protected:
    ComPtr<FakeAutomationObject> object = FakeAutomationObject::Create("object");
    IDispatch* Dispatch() const { return object.Get(); }
};

TEST_F(VariantTest, HoldsItsOwnReferenceForItsWholeLife) {
    {
        Variant held(Dispatch());
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
        copy = Variant(Dispatch());
        EXPECT_EQ(object->RefCount(), 2u);
    }
    EXPECT_EQ(object->RefCount(), 1u);
}

TEST_F(VariantTest, AttachAndDetachMoveTheContentWithoutCounting) {
    VARIANT raw;
    Variant(Dispatch()).Detach(&raw);
    EXPECT_EQ(object->RefCount(), 2u);
    {
        Variant adopted = Variant::Attach(raw);
        EXPECT_EQ(V_VT(&raw), VT_EMPTY);
        EXPECT_EQ(object->RefCount(), 2u);
    }
    EXPECT_EQ(object->RefCount(), 1u);
}

TEST_F(VariantTest, ObjectReferencesAreRecognisedWhateverTheirForm) {
    EXPECT_TRUE(Variant(Dispatch()).HoldsObjectReference());
    EXPECT_TRUE(Variant(static_cast<IDispatch*>(nullptr)).HoldsObjectReference());
    EXPECT_TRUE(Variant(static_cast<IUnknown*>(nullptr)).HoldsObjectReference());

    Variant inner(Dispatch());
    VARIANT byReference;
    V_VT(&byReference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&byReference) = const_cast<VARIANT*>(&inner.Get());
    EXPECT_TRUE(ole::HoldsObjectReference(byReference));

    EXPECT_FALSE(Variant().HoldsObjectReference());
    EXPECT_FALSE(Variant(LONG{0}).HoldsObjectReference());
    EXPECT_FALSE(Variant(std::wstring_view(L"object")).HoldsObjectReference());
    EXPECT_FALSE(Variant(true).HoldsObjectReference());
}

TEST_F(VariantTest, BooleansAreAutomationBooleans) {
    EXPECT_EQ(V_BOOL(&Variant(true).Get()), VARIANT_TRUE);
    EXPECT_EQ(V_BOOL(&Variant(false).Get()), VARIANT_FALSE);
    EXPECT_EQ(Variant(true).Type(), VT_BOOL);
}

}  // namespace
