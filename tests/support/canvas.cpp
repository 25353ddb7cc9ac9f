#include "tests/support/canvas.h"

#include <algorithm>

namespace support {

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO format{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return;  // then it has no pixels, which no test expects
    bits_ = static_cast<std::uint32_t*>(bits);
    std::fill_n(bits_, static_cast<size_t>(width) * static_cast<size_t>(height), 0xFFFFFFu);
    previous_ = SelectObject(dc_, bitmap_);
}

Canvas::~Canvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
}

std::vector<std::uint32_t> Canvas::Pixels() const {
    GdiFlush();
    std::vector<std::uint32_t> pixels;
    if (bits_) pixels.assign(bits_, bits_ + static_cast<size_t>(width_) * static_cast<size_t>(height_));
    for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFFu;
    return pixels;
}

}  // namespace support
