#pragma once

#include <windows.h>

#include <string>

namespace ole {

// What the registry must say about one ActiveX control class of a server.
struct ControlRegistration {
    const CLSID* classId;
    const wchar_t* className;       // the class key's default value ("Widget")
    const wchar_t* progId;          // "Library.Widget"
    const GUID* typeLibraryId;      // written under TypeLib
    const wchar_t* version;         // the type library's version, "major.minor", under Version
    DWORD miscStatus;               // OLEMISC_* for the content aspect
    WORD toolboxBitmap;             // resource id of the toolbox image in the server; 0: none
    const wchar_t* threadingModel;  // "Apartment" for a control
};

// Writes the class (InprocServer32 with ThreadingModel, ProgID, Control, MiscStatus,
// ToolboxBitmap32, TypeLib, Version) and its ProgID, for the server at `serverPath`.
HRESULT RegisterControl(const ControlRegistration& control, const std::wstring& serverPath) noexcept;

// Removes every key RegisterControl wrote. The ProgID is removed only while it still names this
// class, so a newer server's registration under the same name survives. Absent keys are fine.
HRESULT UnregisterControl(const ControlRegistration& control) noexcept;

// Registers the type library stored in the server's resources (its interfaces included), as
// TypeLibraryRows describes it.
HRESULT RegisterServerTypeLibrary(const std::wstring& serverPath) noexcept;

// Removes the registration of the type library stored in the server; absent is fine.
HRESULT UnregisterServerTypeLibrary(const std::wstring& serverPath) noexcept;

// DllRegisterServer for a server of one control in this module: the control and the type
// library in the module's resources. A failing step undoes what was written before it.
HRESULT RegisterControlServer(const ControlRegistration& control) noexcept;

// DllUnregisterServer: removes the control and the type library's registration. Every step is
// tried; the first failure is returned.
HRESULT UnregisterControlServer(const ControlRegistration& control) noexcept;

}  // namespace ole
