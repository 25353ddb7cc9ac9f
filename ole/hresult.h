#pragma once

#include <windows.h>

#include <new>

// Early return on failure keeps the straight path straight.
#define RETURN_IF_FAILED(expression)                    \
    do {                                                \
        const HRESULT hr_returned_ = (expression);      \
        if (FAILED(hr_returned_)) return hr_returned_;  \
    } while (0)

namespace ole {

// Runs the body of a COM method so that no C++ exception crosses the COM boundary.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace ole
