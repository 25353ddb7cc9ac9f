#pragma once

// The two builds' libraries as the tests reach them: the 64-bit resources are linked into the
// test program itself; the 32-bit ones are in a resource-only DLL of the 32-bit build, which a
// 64-bit process can open only as data.
#include <windows.h>

#include <ostream>
#include <string>
#include <string_view>

namespace typelib_tests {

struct Build {
    const char* name;
    SYSKIND system;
    UINT pointerSize;
};

inline void PrintTo(const Build& build, std::ostream* out) { *out << build.name; }

constexpr Build kBuild64{"x64", SYS_WIN64, 8};
constexpr Build kBuild32{"x86", SYS_WIN32, 4};

// A loaded module whose resources the tests read; the 32-bit one is freed with it.
class ResourceModule {
public:
    explicit ResourceModule(const Build& build);
    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE Handle() const noexcept { return module_; }
    // The file to give LoadTypeLibEx.
    const std::wstring& Path() const noexcept { return path_; }

    struct Data {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
    };
    Data Find(const wchar_t* type, const wchar_t* name, WORD language) const;

private:
    HMODULE module_ = nullptr;
    bool owned_ = false;
    std::wstring path_;
};

// Item's result lives in the list control's library, which hosts find through its registration:
// this registers the build's list library in the test prefix, as installing the list control
// would, and removes the registration again.
class ListLibraryRegistration {
public:
    ListLibraryRegistration();
    ~ListLibraryRegistration();
    ListLibraryRegistration(const ListLibraryRegistration&) = delete;
    ListLibraryRegistration& operator=(const ListLibraryRegistration&) = delete;

    bool Registered() const noexcept { return registered_; }

private:
    bool registered_ = false;
};

}  // namespace typelib_tests
