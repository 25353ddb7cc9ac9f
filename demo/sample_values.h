#pragma once

#include "ole/hresult.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace demo {

// The getters and setters the sample objects share.
template <typename T>
HRESULT Store(const T& value, T* result) noexcept {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
}

inline HRESULT StoreText(const std::wstring& text, BSTR* result) noexcept {
    if (!result) return E_POINTER;
    *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

inline HRESULT AssignText(BSTR value, std::wstring& text) noexcept {
    return ole::Guarded([&] {
        text.assign(value ? value : L"", SysStringLen(value));
        return S_OK;
    });
}

}  // namespace demo
