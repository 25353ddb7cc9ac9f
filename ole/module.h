#pragma once

#include <windows.h>

namespace ole {

// Server-wide counts of live objects and of IClassFactory::LockServer locks, shared by every
// apartment of the process; DllCanUnloadNow answers from them.
class Module {
public:
    static void Lock() noexcept;
    static void Unlock() noexcept;
    static long ObjectCount() noexcept;
    static long LockCount() noexcept;
    static bool CanUnloadNow() noexcept { return ObjectCount() == 0 && LockCount() == 0; }

private:
    friend class ModuleObject;
    static void ObjectCreated() noexcept;
    static void ObjectDestroyed() noexcept;
};

// Counts its owner among the module's live objects for exactly the owner's lifetime.
class ModuleObject {
public:
    ModuleObject() noexcept { Module::ObjectCreated(); }
    ModuleObject(const ModuleObject&) noexcept { Module::ObjectCreated(); }
    ModuleObject& operator=(const ModuleObject&) noexcept { return *this; }
    ~ModuleObject() { Module::ObjectDestroyed(); }
};

}  // namespace ole
