#include "binding/uncounted_reference.h"

#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using doubles::FakeAutomationObject;
using ole::ComPtr;

TEST(UncountedReferenceTest, HoldingTakesNoReferenceAndEachReadHandsOutOneToTheSameObject) {
    const ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
    IDispatch* const address = client.Get();
    auto holder = std::make_unique<UncountedReference>();
    holder->SetReference(address);
    EXPECT_EQ(holder->Pointer(), reinterpret_cast<LONG_PTR>(address));
    ComPtr<IDispatch> first = holder->Reference();
    ComPtr<IDispatch> second = holder->Reference();
    EXPECT_EQ(first.Get(), address);
    EXPECT_EQ(second.Get(), address);
    EXPECT_EQ(client->RefCount(), 3u);
    first.Reset();
    second.Reset();
    holder.reset();
    EXPECT_EQ(client->RefCount(), 1u) << "holding and destroying the holder take and release nothing";

    UncountedReference byAddress;
    byAddress.SetPointer(reinterpret_cast<LONG_PTR>(address));
    EXPECT_EQ(byAddress.Reference().Get(), address);
    byAddress.SetReference(nullptr);
    EXPECT_EQ(byAddress.Pointer(), 0);
    EXPECT_EQ(byAddress.Reference(), nullptr);
    byAddress.SetReference(address);
    byAddress.SetPointer(0);
    EXPECT_EQ(byAddress.Reference(), nullptr);
    EXPECT_EQ(client->RefCount(), 1u);
}

TEST(UncountedReferenceTest, HoldingDoesNotKeepTheObjectAlive) {
    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
    FakeAutomationObject* const raw = client.Get();
    UncountedReference holder;
    holder.SetReference(raw);
    client.Reset();
    EXPECT_TRUE(raw->IsDead());
}

}  // namespace
