#include "binding/uncounted_reference.h"

#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using doubles::FakeAutomationObject;
using ole::ComPtr;

class UncountedReferenceTest : public testing::Test {
protected:
    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
    UncountedReference holder;
};

TEST_F(UncountedReferenceTest, NewHolderIsEmpty) {
    EXPECT_EQ(holder.Pointer(), 0);
    EXPECT_EQ(holder.Reference(), nullptr);
}

TEST_F(UncountedReferenceTest, StoringTakesNoReferenceAndEachReadGivesOne) {
    holder.SetReference(client.Get());
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_EQ(holder.Pointer(), reinterpret_cast<LONG_PTR>(static_cast<IDispatch*>(client.Get())));

    ComPtr<IDispatch> first = holder.Reference();
    EXPECT_EQ(client->RefCount(), 2u);
    ComPtr<IDispatch> second = holder.Reference();
    EXPECT_EQ(client->RefCount(), 3u);
    EXPECT_EQ(first.Get(), static_cast<IDispatch*>(client.Get()));
    EXPECT_EQ(second.Get(), first.Get());

    first.Reset();
    second.Reset();
    EXPECT_EQ(client->RefCount(), 1u);
}

TEST_F(UncountedReferenceTest, StoringNothingOrPointerZeroEmptiesTheHolder) {
    holder.SetReference(client.Get());
    holder.SetReference(nullptr);
    EXPECT_EQ(holder.Pointer(), 0);
    EXPECT_EQ(holder.Reference(), nullptr);

    holder.SetReference(client.Get());
    holder.SetPointer(0);
    EXPECT_EQ(holder.Reference(), nullptr);
    EXPECT_EQ(client->RefCount(), 1u);
}

TEST_F(UncountedReferenceTest, PointerRoundTripNamesTheSameObject) {
    UncountedReference other;
    other.SetPointer(reinterpret_cast<LONG_PTR>(static_cast<IDispatch*>(client.Get())));
    EXPECT_EQ(client->RefCount(), 1u);
    ComPtr<IDispatch> read = other.Reference();
    EXPECT_EQ(read.Get(), static_cast<IDispatch*>(client.Get()));
    EXPECT_EQ(client->RefCount(), 2u);
}

TEST_F(UncountedReferenceTest, DestroyingOrOverwritingTheHolderReleasesNothing) {
    auto scoped = std::make_unique<UncountedReference>();
    scoped->SetReference(client.Get());
    ComPtr<FakeAutomationObject> another = FakeAutomationObject::Create("another");
    scoped->SetReference(another.Get());
    scoped.reset();
    EXPECT_EQ(client->RefCount(), 1u);
    EXPECT_EQ(another->RefCount(), 1u);
}

TEST_F(UncountedReferenceTest, HoldingDoesNotKeepTheObjectAlive) {
    FakeAutomationObject* raw = client.Get();
    holder.SetReference(raw);
    client.Reset();
    EXPECT_TRUE(raw->IsDead());
    holder.SetReference(nullptr);
}

}  // namespace
