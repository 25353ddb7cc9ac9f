// The entry points of Kavella2.ocx: its class object, unloading, and self-registration.
#include "ole/class_factory.h"
#include "ole/registration.h"
#include "proplist/kavella_list.h"


namespace {

const ole::ServedClass kServedClasses[] = {{&CLSID_Kavella, &ole::CreateInstanceOf<proplist::KavellaList>}};

ole::ControlRegistration Registration() noexcept {
    return {&CLSID_Kavella,
            L"Kavella Property List",
            L"KavellaCtl.Kavella",
            &LIBID_KavellaCtl,
            L"2.9",
            ole::kControlMiscStatus,
            0,
            L"Apartment"};
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return ole::GetClassObject(kServedClasses, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return ole::CanUnloadNow(); }

STDAPI DllRegisterServer() { return ole::RegisterControlServer(Registration()); }

STDAPI DllUnregisterServer() { return ole::UnregisterControlServer(Registration()); }
