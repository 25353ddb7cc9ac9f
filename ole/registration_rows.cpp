#include "ole/registration_rows.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/registration.h"

#include <oleauto.h>

#include <cwchar>

namespace ole {

namespace {

// The proxies of the system's automation marshaler: dual and [oleautomation] interfaces, and
// pure dispinterfaces.
constexpr wchar_t kAutomationInterfaceProxy[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kDispatchInterfaceProxy[] = L"{00020420-0000-0000-C000-000000000046}";

std::wstring HexText(unsigned value) {
    wchar_t text[16] = {};
    swprintf(text, std::size(text), L"%x", value);
    return text;
}

void AddKey(std::vector<RegistryRow>& rows, const std::wstring& key) { rows.push_back({key, L"", std::nullopt}); }

void AddValue(std::vector<RegistryRow>& rows, const std::wstring& key, const wchar_t* name, std::wstring value) {
    rows.push_back({key, name, std::move(value)});
}

HRESULT AddInterfaceRows(ITypeLib* library, UINT index, const std::wstring& libraryId, const std::wstring& version,
                         std::vector<RegistryRow>& rows) {
    ComPtr<ITypeInfo> type;
    RETURN_IF_FAILED(library->GetTypeInfo(index, type.Put()));
    TYPEATTR* attributes = nullptr;
    RETURN_IF_FAILED(type->GetTypeAttr(&attributes));
    const TYPEATTR copy = *attributes;
    type->ReleaseTypeAttr(attributes);
    const wchar_t* proxy = AutomationProxy(copy);
    if (!proxy) return S_OK;

    Bstr name;
    RETURN_IF_FAILED(library->GetDocumentation(static_cast<INT>(index), name.Out(), nullptr, nullptr, nullptr));
    const std::wstring key = L"Interface\\" + GuidText(copy.guid);
    AddKey(rows, key);
    AddValue(rows, key, L"", name.Get() ? name.Get() : L"");
    AddValue(rows, key + L"\\ProxyStubClsid", L"", proxy);
    AddValue(rows, key + L"\\ProxyStubClsid32", L"", proxy);
    AddValue(rows, key + L"\\TypeLib", L"", libraryId);
    AddValue(rows, key + L"\\TypeLib", L"Version", version);
    return S_OK;
}

}  // namespace

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring VersionText(WORD major, WORD minor) {
    wchar_t text[16] = {};
    swprintf(text, std::size(text), L"%x.%x", major, minor);
    return text;
}

const wchar_t* AutomationProxy(const TYPEATTR& type) noexcept {
    const bool automation = type.wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL);
    if (type.typekind == TKIND_DISPATCH) return automation ? kAutomationInterfaceProxy : kDispatchInterfaceProxy;
    return type.typekind == TKIND_INTERFACE && automation ? kAutomationInterfaceProxy : nullptr;
}

std::vector<RegistryRow> ControlRows(const ControlRegistration& control, const std::wstring& serverPath) {
    std::vector<RegistryRow> rows;
    const std::wstring classKey = L"CLSID\\" + GuidText(*control.classId);
    AddKey(rows, classKey);
    AddValue(rows, classKey, L"", control.className);
    AddValue(rows, classKey + L"\\InprocServer32", L"", serverPath);
    AddValue(rows, classKey + L"\\InprocServer32", L"ThreadingModel", control.threadingModel);
    AddValue(rows, classKey + L"\\ProgID", L"", control.progId);
    AddKey(rows, classKey + L"\\Control");
    AddValue(rows, classKey + L"\\MiscStatus", L"", L"0");
    // Status per aspect: containers read the content aspect's (1).
    AddValue(rows, classKey + L"\\MiscStatus\\1", L"", std::to_wstring(control.miscStatus));
    if (control.toolboxBitmap != 0) {
        AddValue(rows, classKey + L"\\ToolboxBitmap32", L"",
                 serverPath + L", " + std::to_wstring(control.toolboxBitmap));
    }
    if (control.typeLibraryId) AddValue(rows, classKey + L"\\TypeLib", L"", GuidText(*control.typeLibraryId));
    if (control.version) AddValue(rows, classKey + L"\\Version", L"", control.version);
    AddKey(rows, control.progId);
    AddValue(rows, control.progId, L"", control.className);
    AddValue(rows, std::wstring(control.progId) + L"\\CLSID", L"", GuidText(*control.classId));
    return rows;
}

HRESULT TypeLibraryRows(ITypeLib* library, const std::wstring& serverPath, std::vector<RegistryRow>& rows) noexcept {
    if (!library) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        TLIBATTR* attributes = nullptr;
        RETURN_IF_FAILED(library->GetLibAttr(&attributes));
        const TLIBATTR copy = *attributes;
        library->ReleaseTLibAttr(attributes);
        Bstr name, description;
        RETURN_IF_FAILED(library->GetDocumentation(-1, name.Out(), description.Out(), nullptr, nullptr));

        const std::wstring libraryId = GuidText(copy.guid);
        const std::wstring version = VersionText(copy.wMajorVerNum, copy.wMinorVerNum);
        const std::wstring key = L"TypeLib\\" + libraryId + L"\\" + version;
        const wchar_t* platform = copy.syskind == SYS_WIN64 ? L"win64" : L"win32";
        AddKey(rows, key);
        AddValue(rows, key, L"", description.Get() ? description.Get() : (name.Get() ? name.Get() : L""));
        AddValue(rows, key + L"\\FLAGS", L"", std::to_wstring(copy.wLibFlags));
        // An empty help folder: the library ships no help file of its own beside it.
        AddValue(rows, key + L"\\HELPDIR", L"", L"");
        AddValue(rows, key + L"\\" + HexText(copy.lcid) + L"\\" + platform, L"", serverPath);
        const UINT count = library->GetTypeInfoCount();
        for (UINT index = 0; index < count; ++index) {
            RETURN_IF_FAILED(AddInterfaceRows(library, index, libraryId, version, rows));
        }
        return S_OK;
    });
}

}  // namespace ole
