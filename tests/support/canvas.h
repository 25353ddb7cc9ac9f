#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace support {

// A white 32-bit top-down DIB section in a memory device context, to draw into and read back.
// Compare its pixels with what the code stores or copies (a picture's own bits, another drawing
// of the same thing), never with text or shapes the platform renders.
class Canvas {
public:
    Canvas(int width, int height) : size_(static_cast<size_t>(width) * static_cast<size_t>(height)) {
        BITMAPINFO format{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_) return;  // then it has no pixels, which no test expects
        bits_ = static_cast<std::uint32_t*>(bits);
        std::fill_n(bits_, size_, 0xFFFFFFu);
        previous_ = SelectObject(dc_, bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }

    HDC Dc() const noexcept { return dc_; }
    // 0x00RRGGBB, top row first, once GDI has drawn what it still batches.
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        std::vector<std::uint32_t> pixels(bits_, bits_ ? bits_ + size_ : bits_);
        for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFFu;
        return pixels;
    }

private:
    size_t size_;
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace support
