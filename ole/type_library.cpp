#include "ole/type_library.h"

#include "ole/hresult.h"

#include <mutex>

namespace ole {

namespace {

std::mutex cacheLock;
ITypeLib* cachedLibrary = nullptr;  // one reference, kept until the process ends

}  // namespace

HMODULE CurrentModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CurrentModule), &module);
    return module;
}

std::wstring ModuleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(CurrentModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT GetModuleTypeLibrary(ComPtr<ITypeLib>& library) noexcept {
    library.Reset();
    return Guarded([&]() -> HRESULT {
        const std::lock_guard<std::mutex> guard(cacheLock);
        if (!cachedLibrary) {
            const std::wstring path = ModuleFileName();
            if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
            RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &cachedLibrary));
        }
        library = cachedLibrary;
        return S_OK;
    });
}

HRESULT GetModuleTypeInfo(REFGUID guid, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(GetModuleTypeLibrary(library));
    return library->GetTypeInfoOfGuid(guid, info.Put());
}

HRESULT GetDualInterfaceTypeInfo(REFIID dual, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    ComPtr<ITypeInfo> described;
    RETURN_IF_FAILED(GetModuleTypeInfo(dual, described));
    TYPEATTR* attributes = nullptr;
    RETURN_IF_FAILED(described->GetTypeAttr(&attributes));
    const TYPEKIND kind = attributes->typekind;
    described->ReleaseTypeAttr(attributes);
    if (kind == TKIND_INTERFACE) {
        info = std::move(described);
        return S_OK;
    }
    if (kind != TKIND_DISPATCH) return TYPE_E_WRONGTYPEKIND;
    // A dual interface's dispatch description refers to its vtable description as type -1.
    HREFTYPE vtable = 0;
    RETURN_IF_FAILED(described->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable));
    return described->GetRefTypeInfo(vtable, info.Put());
}

}  // namespace ole
