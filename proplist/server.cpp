// The entry points of Kavella2.ocx: its class object, unloading, and self-registration.
#include "ole/class_factory.h"
#include "proplist/kavella_list.h"
#include "typelib/server_registration.h"


namespace {

const ole::ServedClass kServedClasses[] = {{&CLSID_Kavella, &ole::CreateInstanceOf<proplist::KavellaList>}};

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return ole::GetClassObject(kServedClasses, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return ole::CanUnloadNow(); }

STDAPI DllRegisterServer() { return ole::RegisterControlServer(kKavellaRegistration); }

STDAPI DllUnregisterServer() { return ole::UnregisterControlServer(kKavellaRegistration); }
