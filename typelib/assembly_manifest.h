#pragma once

#include "ole/registration.h"

#include <oaidl.h>

#include <string>

// The side-by-side assembly manifest of one library, from the registration its DllRegisterServer
// writes and the type library it carries: what a host needs to create its class with nothing
// registered. `architecture` is the manifest's processorArchitecture ("x86", "amd64").
HRESULT AssemblyManifest(const ole::ControlRegistration& control, ITypeLib* library, const std::wstring& fileName,
                         const std::wstring& architecture, std::wstring& manifest) noexcept;

// The assembly's name, "Inspecta2.sxs" for Inspecta2.ocx: the manifest is <name>.manifest beside
// the application that depends on it.
std::wstring AssemblyName(const std::wstring& fileName);

// The version every assembly of this product carries, and applications name.
inline constexpr wchar_t kAssemblyVersion[] = L"2.0.0.37";
