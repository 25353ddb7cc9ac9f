#include "ole/error_suppression.h"

#include "ole/com_ptr.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace {

bool ErrorIsPending() {
    ole::ComPtr<IErrorInfo> info;
    return GetErrorInfo(0, info.Put()) == S_OK;
}

TEST(ErrorSuppressionRegionTest, EveryStepRunsTheFirstFailureIsKeptAndNoErrorEscapes) {
    ole::PublishErrorInfo(L"Earlier", L"before the region");
    std::vector<int> ran;
    {
        ole::ErrorSuppressionRegion region;
        EXPECT_FALSE(ErrorIsPending()) << "entering clears the pending error";
        region.Attempt([&] {
            ran.push_back(1);
            ole::PublishErrorInfo(L"Step", L"failed inside");
            return DISP_E_MEMBERNOTFOUND;
        });
        region.Attempt([&] {
            ran.push_back(2);
            return S_FALSE;
        });
        EXPECT_EQ(ran, (std::vector<int>{1, 2}));
        EXPECT_EQ(region.Error(), DISP_E_MEMBERNOTFOUND) << "a later success does not clear the pending error";
        region.Clear();
        EXPECT_FALSE(region.Failed());
        region.Attempt([]() -> HRESULT { throw std::bad_alloc(); });
        EXPECT_EQ(region.Error(), E_OUTOFMEMORY);
    }
    EXPECT_FALSE(ErrorIsPending()) << "leaving clears what the steps published";
}

}  // namespace
