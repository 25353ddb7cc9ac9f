#pragma once

#include "about/about_layout.h"

#include <windows.h>

namespace about {

// A bitmap or an icon that the box shows, owned: the handle is destroyed with the picture.
// An empty picture is what a failed resource load gives.
class Picture {
public:
    Picture() noexcept = default;
    static Picture FromBitmap(HBITMAP bitmap) noexcept;
    static Picture FromIcon(HICON icon) noexcept;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    bool Empty() const noexcept { return !bitmap_ && !icon_; }
    Extent Size() const noexcept;
    void Draw(HDC dc, int x, int y) const noexcept;

private:
    void Reset() noexcept;

    HBITMAP bitmap_ = nullptr;
    HICON icon_ = nullptr;
};

// Loads a picture from a module's resources; empty when the resource is missing.
Picture LoadBitmapResource(HMODULE module, const wchar_t* name) noexcept;
Picture LoadIconResource(HMODULE module, const wchar_t* name) noexcept;

}  // namespace about
