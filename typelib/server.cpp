// The library's four entry points: the class object of Inspecta, whether the library may be
// unloaded, and its registration and complete removal.
#include "about/window_class.h"
#include "control/control_object.h"
#include "ole/class_factory.h"
#include "typelib/server_registration.h"


namespace {

const ole::ServedClass kClasses[] = {{&CLSID_Inspecta, ole::CreateInstanceOf<Inspecta>}};

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

STDAPI DllRegisterServer() { return ole::RegisterControlServer(kInspectaRegistration); }

STDAPI DllUnregisterServer() { return ole::UnregisterControlServer(kInspectaRegistration); }
