#include "ole/registration.h"

#include "ole/com_ptr.h"
#include "ole/hresult.h"

#include <oaidl.h>
#include <oleauto.h>

#include <string>

namespace ole {

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// Creates `path` under HKEY_CLASSES_ROOT and sets one string value (default when name is null).
HRESULT SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(status);
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
    return Guarded([&]() -> HRESULT {
        const std::wstring classKey = L"CLSID\\" + GuidText(*control.classId);
        RETURN_IF_FAILED(SetString(classKey, nullptr, control.className));
        RETURN_IF_FAILED(SetString(classKey + L"\\InprocServer32", nullptr, serverPath));
        RETURN_IF_FAILED(SetString(classKey + L"\\InprocServer32", L"ThreadingModel", control.threadingModel));
        RETURN_IF_FAILED(SetString(classKey + L"\\ProgID", nullptr, control.progId));
        RETURN_IF_FAILED(SetString(classKey + L"\\Control", nullptr, L""));
        RETURN_IF_FAILED(SetString(classKey + L"\\MiscStatus", nullptr, L"0"));
        // Status per aspect: containers read the content aspect's (1).
        RETURN_IF_FAILED(SetString(classKey + L"\\MiscStatus\\1", nullptr, std::to_wstring(control.miscStatus)));
        if (control.toolboxBitmap != 0) {
            RETURN_IF_FAILED(SetString(classKey + L"\\ToolboxBitmap32", nullptr,
                                       serverPath + L", " + std::to_wstring(control.toolboxBitmap)));
        }
        if (control.typeLibraryId) {
            RETURN_IF_FAILED(SetString(classKey + L"\\TypeLib", nullptr, GuidText(*control.typeLibraryId)));
        }
        if (control.version) RETURN_IF_FAILED(SetString(classKey + L"\\Version", nullptr, control.version));
        RETURN_IF_FAILED(SetString(control.progId, nullptr, control.className));
        RETURN_IF_FAILED(SetString(std::wstring(control.progId) + L"\\CLSID", nullptr, GuidText(*control.classId)));
        return S_OK;
    });
}

HRESULT UnregisterControl(const ControlRegistration& control) noexcept {
    if (!control.classId || !control.progId) return E_INVALIDARG;
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
        return RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(serverPath.c_str()), nullptr);
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

}  // namespace ole
