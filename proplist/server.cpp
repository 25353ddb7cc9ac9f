// The entry points of Kavella2.ocx: its class object, unloading, and self-registration.
#include "ole/class_factory.h"
#include "ole/hresult.h"
#include "ole/registration.h"
#include "ole/type_library.h"
#include "proplist/kavella_list.h"

#include <olectl.h>

namespace {

const ole::ServedClass kServedClasses[] = {{&CLSID_Kavella, &ole::CreateInstanceOf<proplist::KavellaList>}};

ole::ControlRegistration Registration() noexcept {
    return {&CLSID_Kavella,
            L"Kavella Property List",
            L"KavellaCtl.Kavella",
            &LIBID_KavellaCtl,
            L"2.9",
            OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                OLEMISC_RECOMPOSEONRESIZE,
            0,
            L"Apartment"};
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    return ole::GetClassObject(kServedClasses, classId, iid, object);
}

STDAPI DllCanUnloadNow() { return ole::CanUnloadNow(); }

STDAPI DllRegisterServer() {
    return ole::Guarded([]() -> HRESULT {
        const std::wstring path = ole::ModuleFileName();
        if (path.empty()) return SELFREG_E_CLASS;
        RETURN_IF_FAILED(ole::RegisterServerTypeLibrary(path));
        const HRESULT registered = ole::RegisterControl(Registration(), path);
        if (FAILED(registered)) {
            // Half a registration would name a server that cannot be created: undo it all.
            ole::UnregisterControl(Registration());
            ole::UnregisterServerTypeLibrary(path);
        }
        return registered;
    });
}

STDAPI DllUnregisterServer() {
    return ole::Guarded([]() -> HRESULT {
        const HRESULT control = ole::UnregisterControl(Registration());
        const HRESULT library = ole::UnregisterServerTypeLibrary(ole::ModuleFileName());
        return FAILED(control) ? control : library;
    });
}
