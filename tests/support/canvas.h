#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace support {

// A white 32-bit top-down DIB section in a memory device context, to draw into and read back.
// Compare its pixels with what the code stores or copies (a picture's own bits, another drawing
// of the same thing), never with text or shapes the platform renders.
class Canvas {
public:
    Canvas(int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    HDC Dc() const noexcept { return dc_; }
    // 0x00RRGGBB, top row first, once GDI has drawn what it still batches.
    std::vector<std::uint32_t> Pixels() const;

private:
    int width_, height_;
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace support
