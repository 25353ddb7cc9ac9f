#pragma once

#include "proplist/property_item.h"

#include <windows.h>

#include <string>

// Small helpers that the list's window and its editor share.
namespace proplist::view_support {

constexpr UINT_PTR kEditorSubclass = 1;

// The VB shift state: 1 Shift, 2 Ctrl, 4 Alt.
inline SHORT ShiftState() noexcept {
    SHORT state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= 1;
    if (GetKeyState(VK_CONTROL) < 0) state |= 2;
    if (GetKeyState(VK_MENU) < 0) state |= 4;
    return state;
}

inline std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline bool IsComboBox(HWND window) noexcept {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return CompareStringOrdinal(name, -1, L"ComboBox", -1, TRUE) == CSTR_EQUAL;
}

inline IDispatch* AsDispatch(PropertyItem* item) noexcept { return static_cast<IPropertyItem*>(item); }

}  // namespace proplist::view_support
