#pragma once

#include <windows.h>

namespace about {

// The application-wide mouse pointer: while set, every window of the library shows it instead of
// its own cursor (an hourglass during a long operation, say). Null is the default pointer.
void SetMousePointer(HCURSOR cursor) noexcept;
HCURSOR MousePointer() noexcept;

// For WM_SETCURSOR: applies the override and says so, or returns false to let the window choose.
bool ApplyMousePointer() noexcept;

}  // namespace about
