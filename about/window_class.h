#pragma once

#include <windows.h>

namespace about {

// Registers a window class of the code module unless it is registered with this very window
// procedure. A library that was unloaded and loaded again finds its old class still there,
// pointing into the old image, and replaces it.
bool EnsureWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) noexcept;

// For the library's unload: the system keeps a library's classes after it is gone.
void UnregisterWindowClasses() noexcept;

}  // namespace about
