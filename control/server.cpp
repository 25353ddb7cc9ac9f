// The library's four entry points: the class object of Inspecta, whether the library may be
// unloaded, and its registration and complete removal.
#include "about/window_class.h"
#include "control/control_object.h"
#include "ole/class_factory.h"
#include "ole/registration.h"
#include "ole/type_library.h"

#include <windows.h>

#include <string>

namespace {

const ole::ServedClass kClasses[] = {{&CLSID_Inspecta, ole::CreateInstanceOf<Inspecta>}};

// Set client site first, activate when visible, inside-out, cannot link inside, recompose on resize.
constexpr DWORD kMiscStatus = 131473;
constexpr WORD kToolboxBitmap = 30000;

const ole::ControlRegistration kRegistration{
    &CLSID_Inspecta, L"Inspecta", L"InspectaCtl.Inspecta", &LIBID_InspectaCtl, L"8.0",
    kMiscStatus,     kToolboxBitmap, L"Apartment"};

std::wstring ServerPath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ole::CurrentModule(), path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    // At process exit the window classes go with the process; only a real unload removes them.
    if (reason == DLL_PROCESS_DETACH && !reserved) about::UnregisterWindowClasses();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    return ole::GetClassObject(kClasses, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return ole::CanUnloadNow(); }

STDAPI DllRegisterServer() {
    const std::wstring path = ServerPath();
    if (path.empty()) return E_UNEXPECTED;
    RETURN_IF_FAILED(ole::RegisterServerTypeLibrary(path));
    return ole::RegisterControl(kRegistration, path);
}

STDAPI DllUnregisterServer() {
    const HRESULT control = ole::UnregisterControl(kRegistration);
    const HRESULT library = ole::UnregisterServerTypeLibrary(ServerPath());
    return FAILED(control) ? control : library;
}
