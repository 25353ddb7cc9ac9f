#include "ole/error_info.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"

namespace ole {

void ClearErrorInfo() noexcept {
    SetErrorInfo(0, nullptr);
}

void PublishErrorInfo(const wchar_t* source, const wchar_t* description, const wchar_t* helpFile,
                      DWORD helpContext, REFIID iid) noexcept {
    ComPtr<ICreateErrorInfo> creator;
    if (FAILED(CreateErrorInfo(creator.Put()))) {
        ClearErrorInfo();
        return;
    }
    creator->SetGUID(iid);
    creator->SetSource(const_cast<LPOLESTR>(source ? source : L""));
    creator->SetDescription(const_cast<LPOLESTR>(description ? description : L""));
    creator->SetHelpFile(const_cast<LPOLESTR>(helpFile ? helpFile : L""));
    creator->SetHelpContext(helpContext);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(creator.As(&info))) SetErrorInfo(0, info.Get());
    else ClearErrorInfo();
}

HRESULT TakeException(EXCEPINFO& exception) noexcept {
    if (exception.pfnDeferredFillIn) {
        exception.pfnDeferredFillIn(&exception);
        exception.pfnDeferredFillIn = nullptr;
    }
    const Bstr source = Bstr::Attach(exception.bstrSource);
    const Bstr description = Bstr::Attach(exception.bstrDescription);
    const Bstr helpFile = Bstr::Attach(exception.bstrHelpFile);
    HRESULT hr = exception.scode;
    if (!FAILED(hr)) hr = exception.wCode ? ControlErrorHResult(exception.wCode) : DISP_E_EXCEPTION;
    PublishErrorInfo(source.Get(), description.Get(), helpFile.Get(), exception.dwHelpContext);
    exception = EXCEPINFO{};
    return hr;
}

}  // namespace ole
