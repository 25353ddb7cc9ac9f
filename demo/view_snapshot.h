#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// 32-bit pixels, top row first, blue-green-red-unused as GDI writes them.
struct Snapshot {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint32_t> pixels;
};

// Draws the control through its IViewObject::Draw into memory, on a white page of `size`.
HRESULT DrawControl(IUnknown* control, SIZE size, Snapshot& snapshot) noexcept;

// Writes the pixels as a PNG file through the system's imaging codecs.
HRESULT SavePng(const Snapshot& snapshot, const std::wstring& path) noexcept;

}  // namespace demo
