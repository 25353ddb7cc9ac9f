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

TEST(ErrorSuppressionRegionTest, EnteringAndLeavingClearThePendingError) {
    ole::PublishErrorInfo(L"Earlier", L"before the region");
    {
        ole::ErrorSuppressionRegion region;
        EXPECT_FALSE(ErrorIsPending());
        region.Attempt([] {
            ole::PublishErrorInfo(L"Step", L"failed inside");
            return E_FAIL;
        });
    }
    EXPECT_FALSE(ErrorIsPending());
}

TEST(ErrorSuppressionRegionTest, AFailedStepIsRememberedAndTheNextStepRuns) {
    std::vector<int> ran;
    ole::ErrorSuppressionRegion region;
    EXPECT_FALSE(region.Failed());
    region.Attempt([&] {
        ran.push_back(1);
        return S_OK;
    });
    EXPECT_FALSE(region.Failed());
    region.Attempt([&] {
        ran.push_back(2);
        return DISP_E_MEMBERNOTFOUND;
    });
    region.Attempt([&] {
        ran.push_back(3);
        return S_FALSE;
    });
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(region.Failed()) << "a later success does not clear the pending error";
    EXPECT_EQ(region.Error(), DISP_E_MEMBERNOTFOUND);

    region.Clear();
    EXPECT_FALSE(region.Failed());
}

TEST(ErrorSuppressionRegionTest, AThrowingStepFailsWithoutEscaping) {
    ole::ErrorSuppressionRegion region;
    region.Attempt([]() -> HRESULT { throw std::bad_alloc(); });
    EXPECT_EQ(region.Error(), E_OUTOFMEMORY);
}

}  // namespace
