#include "ole/automation_error.h"

#include "ole/com_ptr.h"
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
    ComPtr<ICreateErrorInfo> creator;
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(CreateErrorInfo(creator.Put())) && SUCCEEDED(creator.As(&info))) {
        creator->SetGUID(iid);
        creator->SetSource(const_cast<LPOLESTR>(source ? source : L""));
        creator->SetDescription(const_cast<LPOLESTR>(description ? description : L""));
        SetErrorInfo(0, info.Get());
    } else {
        // Without an error info of our own, the host must not read an older one as ours.
        ClearErrorInfo();
    }
    return AutomationErrorHResult(number);
}

}  // namespace ole
