#include "ole/registration.h"

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/registration_rows.h"
#include "ole/type_library.h"

#include <oaidl.h>
#include <oleauto.h>

#include <string>

namespace ole {

namespace {

// Creates the row's key under HKEY_CLASSES_ROOT and sets its string value, if it has one.
HRESULT WriteRow(const RegistryRow& row) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, row.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (row.value) {
        status = RegSetValueExW(key, row.name.empty() ? nullptr : row.name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(row.value->c_str()),
                                static_cast<DWORD>((row.value->size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(status);
}

HRESULT WriteRows(const std::vector<RegistryRow>& rows) {
    for (const RegistryRow& row : rows) RETURN_IF_FAILED(WriteRow(row));
    return S_OK;
}

HRESULT DeleteTree(const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        return S_OK;
    }
    return HRESULT_FROM_WIN32(status);
}

std::wstring ReadDefault(const std::wstring& path) {
    wchar_t value[256] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return value;
}

HRESULT LoadServerLibrary(const std::wstring& serverPath, ComPtr<ITypeLib>& library) {
    return LoadTypeLibEx(serverPath.c_str(), REGKIND_NONE, library.Put());
}

}  // namespace

HRESULT RegisterControl(const ControlRegistration& control, const std::wstring& serverPath) noexcept {
    if (!control.classId || !control.progId || !control.className || !control.threadingModel) return E_INVALIDARG;
    // An empty or nested ProgID would write into the root of the classes or into another key.
    if (!*control.progId || wcschr(control.progId, L'\\')) return E_INVALIDARG;
    return Guarded([&]() { return WriteRows(ControlRows(control, serverPath)); });
}

HRESULT UnregisterControl(const ControlRegistration& control) noexcept {
    if (!control.classId || !control.progId || !*control.progId || wcschr(control.progId, L'\\')) {
        return E_INVALIDARG;
    }
    return Guarded([&]() -> HRESULT {
        const std::wstring classId = GuidText(*control.classId);
        HRESULT outcome = S_OK;
        if (_wcsicmp(ReadDefault(std::wstring(control.progId) + L"\\CLSID").c_str(), classId.c_str()) == 0) {
            outcome = DeleteTree(control.progId);
        }
        const HRESULT removed = DeleteTree(L"CLSID\\" + classId);
        return FAILED(outcome) ? outcome : removed;
    });
}

HRESULT RegisterServerTypeLibrary(const std::wstring& serverPath) noexcept {
    return Guarded([&]() -> HRESULT {
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadServerLibrary(serverPath, library));
        std::vector<RegistryRow> rows;
        RETURN_IF_FAILED(TypeLibraryRows(library.Get(), serverPath, rows));
        return WriteRows(rows);
    });
}

HRESULT UnregisterServerTypeLibrary(const std::wstring& serverPath) noexcept {
    return Guarded([&]() -> HRESULT {
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadServerLibrary(serverPath, library));
        TLIBATTR* attributes = nullptr;
        RETURN_IF_FAILED(library->GetLibAttr(&attributes));
        const TLIBATTR copy = *attributes;
        library->ReleaseTLibAttr(attributes);
        BSTR registeredPath = nullptr;
        const HRESULT registered =
            QueryPathOfRegTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, &registeredPath);
        SysFreeString(registeredPath);
        if (FAILED(registered)) return S_OK;  // not registered: nothing to remove
        return UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    });
}

HRESULT RegisterControlServer(const ControlRegistration& control) noexcept {
    return Guarded([&]() -> HRESULT {
        const std::wstring server = ModuleFileName();
        if (server.empty()) return E_UNEXPECTED;
        HRESULT hr = RegisterServerTypeLibrary(server);
        if (SUCCEEDED(hr)) hr = RegisterControl(control, server);
        if (FAILED(hr)) UnregisterControlServer(control);
        return hr;
    });
}

HRESULT UnregisterControlServer(const ControlRegistration& control) noexcept {
    return Guarded([&]() -> HRESULT {
        const std::wstring server = ModuleFileName();
        const HRESULT removed = UnregisterControl(control);
        const HRESULT library = server.empty() ? E_UNEXPECTED : UnregisterServerTypeLibrary(server);
        return FAILED(removed) ? removed : library;
    });
}

}  // namespace ole
