#pragma once

#include "ole/error_info.h"
#include "ole/hresult.h"

#include <utility>

namespace ole {

// A stretch of steps in which a failing step is abandoned and the next one runs. Declaring one
// makes visible exactly which steps may fail silently. Entering and leaving clear the pending
// error, so nothing stale reaches whoever reads the thread's error info next; inside, Failed()
// says whether any step since entry (or since Clear) has failed.
class ErrorSuppressionRegion {
public:
    ErrorSuppressionRegion() noexcept { ClearErrorInfo(); }
    ~ErrorSuppressionRegion() { ClearErrorInfo(); }
    ErrorSuppressionRegion(const ErrorSuppressionRegion&) = delete;
    ErrorSuppressionRegion& operator=(const ErrorSuppressionRegion&) = delete;

    // Runs one step, a callable returning HRESULT; its failure is remembered, not passed on.
    template <typename Step>
    void Attempt(Step&& step) noexcept {
        const HRESULT hr = Guarded(std::forward<Step>(step));
        if (FAILED(hr)) error_ = hr;
    }

    bool Failed() const noexcept { return FAILED(error_); }
    HRESULT Error() const noexcept { return error_; }

    void Clear() noexcept {
        error_ = S_OK;
        ClearErrorInfo();
    }

private:
    HRESULT error_ = S_OK;
};

}  // namespace ole
