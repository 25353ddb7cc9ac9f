#include "built_libraries.h"

#include "ole/com_ptr.h"

namespace typelib_tests {

namespace {

// The build gives a host path; Wine reaches the host's root through drive Z:.
std::wstring WindowsPath(std::string_view path) {
    std::wstring result = !path.empty() && path[0] == '/' ? L"Z:" : L"";
    for (char c : path) result += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return result;
}

constexpr GUID kListLibrary = {0x3f118ca4, 0x97a8, 0x4926, {0xaa, 0x0a, 0x6f, 0xd8, 0x0d, 0xfb, 0x3d, 0xce}};

}  // namespace

ListLibraryRegistration::ListLibraryRegistration() {
    // The 32-bit library finds the 32-bit registration, the 64-bit one the 64-bit registration.
    for (const char* file : {KAVELLA_TLB_FILE, KAVELLA_X86_TLB_FILE}) {
        std::wstring path = WindowsPath(file);
        ole::ComPtr<ITypeLib> list;
        if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, list.Put()))) return;
        if (FAILED(RegisterTypeLib(list.Get(), path.data(), nullptr))) return;
    }
    registered_ = true;
}

ListLibraryRegistration::~ListLibraryRegistration() {
    UnRegisterTypeLib(kListLibrary, 2, 9, LOCALE_NEUTRAL, SYS_WIN64);
    UnRegisterTypeLib(kListLibrary, 2, 9, LOCALE_NEUTRAL, SYS_WIN32);
}

ResourceModule::ResourceModule(const Build& build) {
    if (build.system == SYS_WIN64) {
        module_ = GetModuleHandleW(nullptr);
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module_, path, MAX_PATH);
        path_ = path;
        return;
    }
    path_ = WindowsPath(INSPECTA_X86_RESOURCES);
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    owned_ = module_ != nullptr;
}

ResourceModule::~ResourceModule() {
    if (owned_) FreeLibrary(module_);
}

ResourceModule::Data ResourceModule::Find(const wchar_t* type, const wchar_t* name, WORD language) const {
    if (!module_) return {};
    HRSRC found = FindResourceExW(module_, type, name, language);
    if (!found) return {};
    return {static_cast<const BYTE*>(LockResource(LoadResource(module_, found))), SizeofResource(module_, found)};
}

}  // namespace typelib_tests
