#include "ole/class_factory.h"

namespace ole {

std::span<const InterfaceEntry> ClassFactory::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {Implements<ClassFactory, IClassFactory>()};
    return table;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        Module::Lock();
    } else {
        // An unbalanced unlock from a host must not let the count go below zero and unload a
        // server that another host still relies on.
        if (Module::LockCount() <= 0) return E_UNEXPECTED;
        Module::Unlock();
    }
    return S_OK;
}

HRESULT GetClassObject(std::span<const ServedClass> classes, REFCLSID classId, REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const ServedClass& served : classes) {
        if (*served.classId == classId) return MakeObject<ClassFactory>(iid, object, served.create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() noexcept {
    return Module::CanUnloadNow() ? S_OK : S_FALSE;
}

}  // namespace ole
