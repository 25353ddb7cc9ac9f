#pragma once

#include <windows.h>

// Converting between the screen's pixels and the HIMETRIC units (1/100 mm) that OLE sizes are in.
namespace ole {

inline int PixelsPerInch(bool horizontal) noexcept {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

inline LONG HimetricToPixels(LONG himetric, bool horizontal) noexcept {
    return MulDiv(himetric, PixelsPerInch(horizontal), 2540);
}

inline LONG PixelsToHimetric(LONG pixels, bool horizontal) noexcept {
    return MulDiv(pixels, 2540, PixelsPerInch(horizontal));
}

}  // namespace ole
