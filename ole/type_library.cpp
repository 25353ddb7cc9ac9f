#include "ole/type_library.h"

#include "ole/hresult.h"

#include <mutex>
#include <vector>

namespace ole {

namespace {

std::mutex cacheLock;
ITypeLib* cachedLibrary = nullptr;  // one reference, kept until the process ends

// Type descriptions resolved once, by guid and side, and kept like the library: every IDispatch
// call of every object needs one.
struct ResolvedInfo {
    GUID guid;
    bool vtableSide;
    ITypeInfo* info;
};
std::vector<ResolvedInfo> resolvedInfos;

HRESULT LoadLibraryLocked() {
    if (cachedLibrary) return S_OK;
    const std::wstring path = ModuleFileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, &cachedLibrary);
}

HRESULT ResolveLocked(REFGUID guid, bool vtableSide, ComPtr<ITypeInfo>& info) {
    for (const ResolvedInfo& resolved : resolvedInfos) {
        if (resolved.guid == guid && resolved.vtableSide == vtableSide) {
            info = resolved.info;
            return S_OK;
        }
    }
    RETURN_IF_FAILED(LoadLibraryLocked());
    ComPtr<ITypeInfo> described;
    RETURN_IF_FAILED(cachedLibrary->GetTypeInfoOfGuid(guid, described.Put()));
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
    resolvedInfos.reserve(resolvedInfos.size() + 1);
    resolvedInfos.push_back({guid, vtableSide, described.Get()});
    described->AddRef();
    info = std::move(described);
    return S_OK;
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

HRESULT GetDualInterfaceTypeInfo(REFIID dual, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    return Guarded([&]() -> HRESULT {
        const std::lock_guard<std::mutex> guard(cacheLock);
        return ResolveLocked(dual, true, info);
    });
}

}  // namespace ole
