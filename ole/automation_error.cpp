#include "ole/automation_error.h"

#include "ole/error_info.h"

#include <oaidl.h>
#include <oleauto.h>

namespace ole {

HRESULT AutomationErrorHResult(long number) noexcept {
    if (number > 0 && number <= 0xFFFF) return ControlErrorHResult(static_cast<WORD>(number));
    if (FAILED(number)) return static_cast<HRESULT>(number);
    return E_FAIL;
}

HRESULT RaiseAutomationError(long number, const wchar_t* source, const wchar_t* description, REFIID iid) noexcept {
    PublishErrorInfo(source, description, nullptr, 0, iid);
    return AutomationErrorHResult(number);
}

}  // namespace ole
