#pragma once

#include <windows.h>

#include <string>

namespace support {

// A GUID as the registry spells it: "{0002DF01-0000-0000-C000-000000000046}".
std::wstring GuidText(REFGUID guid);

// The string value `name` (the default value when null) of `key` under `root`, or "<absent>".
std::wstring RegistryString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);

bool RegistryKeyExists(HKEY root, const std::wstring& key);

}  // namespace support
