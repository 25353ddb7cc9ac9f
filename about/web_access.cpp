#include "about/web_access.h"

#include "about/link_string.h"
#include "ole/error_suppression.h"

namespace about {

namespace {

constexpr UINT kCriticalIcon = MB_ICONHAND;
constexpr wchar_t kTitle[] = L"Web Access";

HRESULT ToSystemCodePage(const std::wstring& text, std::string* narrow) {
    narrow->clear();
    if (text.empty()) return S_OK;
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return HRESULT_FROM_WIN32(GetLastError());
    narrow->resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow->data(), size, nullptr,
                        nullptr);
    return S_OK;
}

}  // namespace

std::wstring ErrorMessageWithNumber(HRESULT error) {
    const long number = HRESULT_FACILITY(error) == FACILITY_CONTROL ? HRESULT_CODE(error) : static_cast<long>(error);
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : L"Automation error";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text + L" (" + std::to_wstring(number) + L")";
}

void OpenLink(Desktop& desktop, HWND owner, const std::wstring& target, ApplicationInfo& application,
              const std::wstring& versionText) {
    INT_PTR result = 0;
    HRESULT failure = S_OK;
    {
        // Each step may fail and the next one still runs; the user is told of the last failure.
        ole::ErrorSuppressionRegion region;
        std::wstring expanded = target;
        region.Attempt([&] {
            std::wstring title;
            RETURN_IF_FAILED(application.Title(&title));
            expanded = ExpandLinkTarget(target, title, versionText);
            return S_OK;
        });
        region.Attempt([&] {
            std::string narrow;
            RETURN_IF_FAILED(ToSystemCodePage(EncodeSpaces(expanded), &narrow));
            result = desktop.ShellOpen(owner, "Open", narrow, "", "", SW_SHOW);
            return S_OK;
        });
        failure = region.Error();
    }
    if (FAILED(failure)) {
        desktop.ShowMessage(owner, ErrorMessageWithNumber(failure), kTitle, kCriticalIcon);
    } else if (result <= 32) {
        desktop.ShowMessage(owner, L"Unable to run web document (" + std::to_wstring(result) + L")", kTitle,
                            kCriticalIcon);
    }
}

}  // namespace about
