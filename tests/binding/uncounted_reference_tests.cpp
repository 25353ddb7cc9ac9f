#include "binding/uncounted_reference.h"

#include "tests/doubles/fake_automation_object.h"

#include <gtest/gtest.h>

namespace {

using doubles::FakeAutomationObject;

// Holding by reference is proved by the engine's tests: the leak check counts the client's
// references. The address alone is the path nothing else takes.
TEST(UncountedReferenceTest, AnAddressReadsAsACountedReferenceToThatObject) {
    const ole::ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
    UncountedReference byAddress;
    byAddress.SetPointer(reinterpret_cast<LONG_PTR>(static_cast<IDispatch*>(client.Get())));
    EXPECT_EQ(byAddress.Reference().Get(), client.Get());
    byAddress.SetPointer(0);
    EXPECT_EQ(byAddress.Reference(), nullptr);
}

}  // namespace
