#pragma once

#include "ole/com_object.h"

#include <windows.h>
#include <unknwn.h>

#include <span>

namespace ole {

// Makes one object of a class and answers it through `iid`.
using CreateInstanceFunction = HRESULT (*)(REFIID iid, void** object);

// The CreateInstanceFunction of a ComObject class.
template <typename Object>
HRESULT CreateInstanceOf(REFIID iid, void** object) noexcept {
    return MakeObject<Object>(iid, object);
}

// The class object of one class. It counts among the module's live objects like any of ours,
// and LockServer holds the module's lock count, so DllCanUnloadNow is right by construction.
class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(CreateInstanceFunction create) noexcept : create_(create) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept;

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

private:
    CreateInstanceFunction create_;
};

// One class a server offers.
struct ServedClass {
    const CLSID* classId;
    CreateInstanceFunction create;
};

// DllGetClassObject over the classes a server offers: a new class factory for a known class
// id, CLASS_E_CLASSNOTAVAILABLE (and a null object) for any other.
HRESULT GetClassObject(std::span<const ServedClass> classes, REFCLSID classId, REFIID iid, void** object) noexcept;

// DllCanUnloadNow.
HRESULT CanUnloadNow() noexcept;

}  // namespace ole
