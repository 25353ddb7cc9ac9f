#include "binding/uncounted_reference.h"

#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

namespace {

using doubles::FakeAutomationObject;
using ole::ComPtr;

TEST(UncountedReferenceTest, HoldingTakesNoReferenceAndEachReadHandsOutOneToTheSameObject) {
    const ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
    IDispatch* const address = client.Get();
    {
        UncountedReference holder;
        holder.SetReference(address);
        ComPtr<IDispatch> first = holder.Reference();
        ComPtr<IDispatch> second = holder.Reference();
        EXPECT_EQ(second.Get(), address);
        EXPECT_EQ(client->RefCount(), 3u) << "the test's and the two read";
        first.Reset();
        second.Reset();
    }
    EXPECT_EQ(client->RefCount(), 1u) << "destroying the holder releases nothing";

    UncountedReference byAddress;
    byAddress.SetPointer(reinterpret_cast<LONG_PTR>(address));
    EXPECT_EQ(byAddress.Reference().Get(), address);
    byAddress.SetPointer(0);
    EXPECT_EQ(byAddress.Reference(), nullptr);
}

}  // namespace
