#include "control/raise_error.h"

#include "ole/automation_error.h"
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/module_name.h"
#include "ole/variant.h"

#include <algorithm>

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& placeholder, const std::wstring& replacement) {
    for (size_t at = text.find(placeholder); at != std::wstring::npos;
         at = text.find(placeholder, at + replacement.size())) {
        text.replace(at, placeholder.size(), replacement);
    }
}

}  // namespace

std::wstring ErrorSource() { return ole::ModuleBaseName() + L".Inspecta"; }

std::wstring FormatErrorDescription(std::wstring description, std::span<const VARIANT> arguments) {
    if (description.empty()) return description;
    // The index is a 16-bit number; more arguments than that cannot be named.
    const size_t count = std::min<size_t>(arguments.size(), 32767);
    for (size_t i = count; i-- > 0;) ReplaceAll(description, L"%" + std::to_wstring(i + 1), ole::TextOf(arguments[i], 0, VARIANT_ALPHABOOL).value_or(std::wstring()));
    return description;
}

HRESULT RaiseError(long number, std::wstring description, std::span<const VARIANT> arguments, HRESULT pending) noexcept {
    return ole::Guarded([&]() -> HRESULT {
        const std::wstring source = ErrorSource();
        if (number == 0) {
            ole::ComPtr<IErrorInfo> info;
            ole::Bstr pendingDescription;
            ole::Bstr helpFile;
            DWORD helpContext = 0;
            if (GetErrorInfo(0, info.Put()) == S_OK) {
                info->GetDescription(pendingDescription.Out());
                info->GetHelpFile(helpFile.Out());
                info->GetHelpContext(&helpContext);
            }
            ole::PublishErrorInfo(source.c_str(), pendingDescription.Get(), helpFile.Get(), helpContext);
            return FAILED(pending) ? pending : E_FAIL;
        }
        description = FormatErrorDescription(std::move(description), arguments);
        if (description.empty()) description = L"Application-defined or object-defined error";
        ole::PublishErrorInfo(source.c_str(), description.c_str());
        return ole::AutomationErrorHResult(number);
    });
}
