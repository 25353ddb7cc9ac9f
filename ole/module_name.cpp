#include "ole/module_name.h"

#include "ole/type_library.h"

namespace ole {

std::wstring ModuleBaseName() {
    std::wstring name = ModuleFileName();
    name.erase(0, name.find_last_of(L"\\/") + 1);
    if (const size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.erase(dot);
    return name;
}

}  // namespace ole
