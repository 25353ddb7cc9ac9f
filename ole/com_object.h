#pragma once

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/module.h"

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <span>
#include <utility>

namespace ole {

// One row of an object's interface table: an interface id and how to reach that interface
// from the object.
struct InterfaceEntry {
    const IID* iid;
    void* (*cast)(void* object) noexcept;
};

// The row for `Interface`, reached through the base class `Via` when `Interface` is an
// ancestor shared by several bases (IDispatch through the dual interface, say).
template <typename Object, typename Interface, typename Via = Interface>
constexpr InterfaceEntry Implements() noexcept {
    return {&__uuidof(Interface), [](void* object) noexcept -> void* {
                return static_cast<Interface*>(static_cast<Via*>(static_cast<Object*>(object)));
            }};
}

// QueryInterface over an interface table: the first row also answers IID_IUnknown (the object's
// identity); the interface handed out is AddRef'd.
inline HRESULT QueryInterfaceFromTable(void* self, std::span<const InterfaceEntry> table, REFIID iid,
                                       void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (table.empty()) return E_NOINTERFACE;
    if (iid == IID_IUnknown) {
        *object = table.front().cast(self);
    } else {
        for (const InterfaceEntry& entry : table) {
            if (iid == *entry.iid) {
                *object = entry.cast(self);
                break;
            }
        }
    }
    if (!*object) return E_NOINTERFACE;
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

// Reference counting, table-driven QueryInterface and module counting for a COM class that
// implements `Interfaces` by plain multiple inheritance with one reference count.
//
// `Derived` lists what QueryInterface answers in
//     static std::span<const InterfaceEntry> InterfaceTable() noexcept;
// whose first row also answers IID_IUnknown (the object's identity). Objects are made by
// MakeObject only, never by a bare `new`.
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        return QueryInterfaceFromTable(static_cast<Derived*>(this), Derived::InterfaceTable(), iid, object);
    }

    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }

    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            // An AddRef/Release pair made while the destructor runs (a teardown that passes the
            // object on) must not bring the count to 0 a second time.
            references_ = kDestroying;
            delete this;
        }
        return left;
    }

    // Runs once after construction, while MakeObject holds its reference; a failure destroys
    // the object. Derived classes hide it when they have work that can fail.
    HRESULT FinalConstruct() noexcept { return S_OK; }

protected:
    // The creator's reference is held from the start, so that an AddRef/Release pair during
    // construction cannot destroy the object half-made.
    ComObject() noexcept = default;
    virtual ~ComObject() = default;

    ULONG ReferenceCount() const noexcept { return references_.load(); }

private:
    static constexpr ULONG kDestroying = 0x40000000;

    std::atomic<ULONG> references_{1};
    ModuleObject module_;
};

// Makes a `Object` and hands out the creator's reference, or fails with nothing made.
template <typename Object, typename... Arguments>
HRESULT MakeObject(ComPtr<Object>& result, Arguments&&... arguments) noexcept {
    result.Reset();
    return Guarded([&]() -> HRESULT {
        ComPtr<Object> made;
        made.Attach(new Object(std::forward<Arguments>(arguments)...));
        RETURN_IF_FAILED(made->FinalConstruct());
        result = std::move(made);
        return S_OK;
    });
}

// Makes a `Object` and answers it through the interface `iid`, as a class factory does.
template <typename Object, typename... Arguments>
HRESULT MakeObject(REFIID iid, void** interfacePointer, Arguments&&... arguments) noexcept {
    if (!interfacePointer) return E_POINTER;
    *interfacePointer = nullptr;
    ComPtr<Object> made;
    RETURN_IF_FAILED(MakeObject(made, std::forward<Arguments>(arguments)...));
    return made->QueryInterface(iid, interfacePointer);
}

}  // namespace ole
