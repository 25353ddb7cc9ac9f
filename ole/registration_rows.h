#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>
#include <vector>

namespace ole {

struct ControlRegistration;

// One entry of a server's registration, under the classes root. A row without a value names a
// key the server owns: it is created, and removed with everything under it when the server goes.
struct RegistryRow {
    std::wstring key;
    std::wstring name;  // empty: the key's default value
    std::optional<std::wstring> value;
};

// "{05767801-2078-44ED-8910-4DCCC42BF98F}", as the registry writes class and library ids.
std::wstring GuidText(const GUID& guid);

// A type library's version as its registration names it: hexadecimal, "8.0".
std::wstring VersionText(WORD major, WORD minor);

// The system proxy that marshals a type of a type library: dual and [oleautomation] interfaces
// and dispinterfaces have one; any other type is not registered (null).
const wchar_t* AutomationProxy(const TYPEATTR& type) noexcept;

// The rows of one control class and its ProgID, for the server at `serverPath`.
std::vector<RegistryRow> ControlRows(const ControlRegistration& control, const std::wstring& serverPath);

// The rows that register a type library stored in the server at `serverPath`: the library's
// version key, and each automation interface it describes with the proxy that marshals it.
HRESULT TypeLibraryRows(ITypeLib* library, const std::wstring& serverPath, std::vector<RegistryRow>& rows) noexcept;

}  // namespace ole
