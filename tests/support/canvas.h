#pragma once

#include <windows.h>

namespace support {

// A white 32-bit DIB section in a memory device context, to draw into and read back. Compare its pixels with what the
// code stores or copies (a control's own fill colour), never with text or shapes the platform renders.
class Canvas {
public:
    Canvas(int width, int height) {
        BITMAPINFO format{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }

    HDC Dc() const noexcept { return dc_; }

private:
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace support
