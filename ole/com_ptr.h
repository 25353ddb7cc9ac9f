#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <type_traits>
#include <utility>

namespace ole {

// The one smart pointer for interfaces, everywhere in the code base: it owns one counted
// reference. Construction and assignment from a raw pointer AddRef; Attach adopts a reference
// without AddRef; Put() releases what is held and hands out the slot for an out-parameter.
template <typename Interface>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    template <typename Other, typename = std::enable_if_t<std::is_convertible_v<Other*, Interface*>>>
    ComPtr(Other* pointer) noexcept : pointer_(pointer) {
        AddRefHeld();
    }
    ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_) { AddRefHeld(); }
    template <typename Other, typename = std::enable_if_t<std::is_convertible_v<Other*, Interface*>>>
    ComPtr(const ComPtr<Other>& other) noexcept : pointer_(other.Get()) {
        AddRefHeld();
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
    template <typename Other, typename = std::enable_if_t<std::is_convertible_v<Other*, Interface*>>>
    ComPtr(ComPtr<Other>&& other) noexcept : pointer_(other.Detach()) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Releases the held reference (nulling the field first, since a release can re-enter) and
    // returns what Release returned, or 0 when nothing was held.
    ULONG Reset() noexcept {
        Interface* released = std::exchange(pointer_, nullptr);
        return released ? released->Release() : 0;
    }
    // Adopts a reference that the caller owned.
    void Attach(Interface* pointer) noexcept {
        Reset();
        pointer_ = pointer;
    }
    // Hands the reference to the caller.
    [[nodiscard]] Interface* Detach() noexcept { return std::exchange(pointer_, nullptr); }

    // For out-parameters: releases what is held first.
    Interface** Put() noexcept {
        Reset();
        return &pointer_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    // For in-out parameters (a by-reference argument the callee may replace): the slot as it
    // is, nothing released.
    Interface** AddressOf() noexcept { return &pointer_; }

    // QueryInterface into another smart pointer.
    template <typename Other>
    HRESULT As(ComPtr<Other>* result) const noexcept {
        if (!pointer_) {
            result->Reset();
            return E_POINTER;
        }
        return pointer_->QueryInterface(__uuidof(Other), result->PutVoid());
    }
    HRESULT AsIID(REFIID iid, void** result) const noexcept {
        if (!result) return E_POINTER;
        *result = nullptr;
        return pointer_ ? pointer_->QueryInterface(iid, result) : E_POINTER;
    }
    // A new reference for the caller's out-parameter (null when empty).
    HRESULT CopyTo(Interface** result) const noexcept {
        if (!result) return E_POINTER;
        *result = pointer_;
        AddRefHeld();
        return S_OK;
    }

private:
    void AddRefHeld() const noexcept {
        if (pointer_) pointer_->AddRef();
    }

    Interface* pointer_ = nullptr;
};

template <typename Left, typename Right>
bool operator==(const ComPtr<Left>& left, const ComPtr<Right>& right) noexcept {
    return left.Get() == right.Get();
}
template <typename Interface, typename Other>
bool operator==(const ComPtr<Interface>& left, Other* right) noexcept {
    return left.Get() == right;
}
template <typename Interface>
bool operator==(const ComPtr<Interface>& left, std::nullptr_t) noexcept {
    return left.Get() == nullptr;
}

}  // namespace ole
