#include "ole/runtime_errors.h"

#include "ole/automation_error.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/module_name.h"

namespace ole {

namespace {

HRESULT RaiseRuntimeError(WORD number, const wchar_t* description) noexcept {
    const HRESULT hr = Guarded([&] { return RaiseAutomationError(number, ModuleBaseName().c_str(), description); });
    // Out of memory: no error of another call may be read as this one's.
    if (hr == E_OUTOFMEMORY) ClearErrorInfo();
    return hr;
}

}  // namespace

HRESULT RaiseTypeMismatch() noexcept { return RaiseRuntimeError(13, L"Type mismatch"); }

HRESULT RaiseObjectNotSet() noexcept {
    return RaiseRuntimeError(91, L"Object variable or With block variable not set");
}

}  // namespace ole
