#include "ole/type_library.h"

#include "ole/hresult.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace ole {

namespace {

std::mutex cacheLock;

// Type descriptions resolved once, by guid and side: every IDispatch call of every object needs
// one.
struct ResolvedInfo {
    GUID guid;
    bool vtableSide;
    ComPtr<ITypeInfo> info;
};

// The module's TYPELIB resources in order (a test program carries more than one), each loaded
// once, and what was resolved from them. Never destroyed: releasing them while the module
// unloads would call into the system under its loader lock.
struct Cache {
    std::vector<ComPtr<ITypeLib>> libraries;
    bool allLoaded = false;
    std::vector<ResolvedInfo> resolved;
    // Member names found before, as callers spelled them, keyed by KnownNameKey: the type
    // information's own search compares the name with every member's, ignoring case by locale.
    std::unordered_map<std::wstring, DISPID> knownNames;
};
// Enough for every spelling that real callers use; names past it are searched for each time.
constexpr size_t kKnownNamesLimit = 1024;
Cache& cache = *new Cache;

// A named callback, not a lambda: on i686 a lambda converts only to a cdecl pointer, and the
// system calls its enumeration callbacks stdcall.
BOOL CALLBACK CollectResourceId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    // No exception may cross the system's callback.
    try {
        if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(found)->push_back(LOWORD(name));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

HRESULT LoadLibrariesLocked() {
    if (cache.allLoaded) return S_OK;
    const std::wstring path = ModuleFileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    std::vector<WORD> ids;
    EnumResourceNamesW(CurrentModule(), L"TYPELIB", CollectResourceId, reinterpret_cast<LONG_PTR>(&ids));
    if (ids.empty()) return TYPE_E_CANTLOADLIBRARY;
    for (const WORD id : ids) {
        const std::wstring resource = path + L"\\" + std::to_wstring(id);
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadTypeLibEx(resource.c_str(), REGKIND_NONE, library.Put()));
        cache.libraries.push_back(std::move(library));
    }
    cache.allLoaded = true;
    return S_OK;
}

HRESULT FindTypeInfoLocked(REFGUID guid, ComPtr<ITypeInfo>& info) {
    RETURN_IF_FAILED(LoadLibrariesLocked());
    HRESULT hr = TYPE_E_ELEMENTNOTFOUND;
    for (const ComPtr<ITypeLib>& library : cache.libraries) {
        hr = library->GetTypeInfoOfGuid(guid, info.Put());
        if (SUCCEEDED(hr)) break;
    }
    return hr;
}

HRESULT ResolveLocked(REFGUID guid, bool vtableSide, ComPtr<ITypeInfo>& info) {
    for (const ResolvedInfo& resolved : cache.resolved) {
        if (resolved.guid == guid && resolved.vtableSide == vtableSide) {
            info = resolved.info;
            return S_OK;
        }
    }
    ComPtr<ITypeInfo> described;
    RETURN_IF_FAILED(FindTypeInfoLocked(guid, described));
    if (vtableSide) {
        TYPEATTR* attributes = nullptr;
        RETURN_IF_FAILED(described->GetTypeAttr(&attributes));
        const TYPEKIND kind = attributes->typekind;
        described->ReleaseTypeAttr(attributes);
        if (kind == TKIND_DISPATCH) {
            // A dual interface's dispatch description refers to its vtable description as type -1.
            HREFTYPE vtable = 0;
            RETURN_IF_FAILED(described->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable));
            ComPtr<ITypeInfo> reached;
            RETURN_IF_FAILED(described->GetRefTypeInfo(vtable, reached.Put()));
            described = std::move(reached);
        } else if (kind != TKIND_INTERFACE) {
            return TYPE_E_WRONGTYPEKIND;
        }
    }
    cache.resolved.reserve(cache.resolved.size() + 1);
    cache.resolved.push_back({guid, vtableSide, described});
    info = std::move(described);
    return S_OK;
}

// The interface's guid, then the name as spelled.
std::wstring KnownNameKey(REFIID dual, LPCOLESTR name) {
    std::wstring key(reinterpret_cast<const wchar_t*>(&dual), sizeof(IID) / sizeof(wchar_t));
    key += name;
    return key;
}

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

HRESULT GetModuleTypeInfo(REFGUID guid, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    return Guarded([&]() -> HRESULT {
        const std::lock_guard<std::mutex> guard(cacheLock);
        return ResolveLocked(guid, false, info);
    });
}

HRESULT DualInterfaceIDsOfNames(REFIID dual, LPOLESTR* names, UINT count, DISPID* ids) noexcept {
    if (!names || !ids) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        // A member with named arguments is looked up whole; only a lone name is remembered.
        const bool remembered = count == 1 && names[0];
        const std::wstring key = remembered ? KnownNameKey(dual, names[0]) : std::wstring();
        if (remembered) {
            const std::lock_guard<std::mutex> guard(cacheLock);
            if (const auto known = cache.knownNames.find(key); known != cache.knownNames.end()) {
                ids[0] = known->second;
                return S_OK;
            }
        }
        ComPtr<ITypeInfo> vtable;
        RETURN_IF_FAILED(GetDualInterfaceTypeInfo(dual, vtable));
        RETURN_IF_FAILED(vtable->GetIDsOfNames(names, count, ids));
        const std::lock_guard<std::mutex> guard(cacheLock);
        if (remembered && cache.knownNames.size() < kKnownNamesLimit) cache.knownNames.emplace(key, ids[0]);
        return S_OK;
    });
}

HRESULT GetDualInterfaceTypeInfo(REFIID dual, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    return Guarded([&]() -> HRESULT {
        const std::lock_guard<std::mutex> guard(cacheLock);
        return ResolveLocked(dual, true, info);
    });
}

}  // namespace ole
